#include <signal.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string_view>
#include <thread>

#include "lsp/MessageReader.h"
#include "lsp/Server.h"
#include "platform/MemoryTuning.h"
#include "platform/Paths.h"

namespace {

// Writes the parts one after the other, with as few system calls as the pipe allows.
bool WriteAll(int fd, std::string_view first, std::string_view second) {
  iovec parts[2] = {{const_cast<char*>(first.data()), first.size()},
                    {const_cast<char*>(second.data()), second.size()}};
  iovec* next = parts;
  int left = 2;
  while (left > 0) {
    const ssize_t wrote = ::writev(fd, next, left);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    auto done = static_cast<std::size_t>(wrote);
    while (left > 0 && done >= next->iov_len) {
      done -= next->iov_len;
      ++next;
      --left;
    }
    if (left > 0) {
      next->iov_base = static_cast<char*>(next->iov_base) + done;
      next->iov_len -= done;
    }
  }
  return true;
}

// What the reading thread hands over, in arrival order.
struct Incoming {
  tarnel::MessageReader::Status Status;
  std::string Body;
};

}  // namespace

int main(int argc, char** argv) {
  (void)argc;
  // A workspace's first analysis touches tens of megabytes at once; on small pages the faults
  // cost more than the work. May start the program again, before it reads or writes anything.
  tarnel::PreferLargePagesForLongRun(argv);
  // A client that went away must end the server through a failed write, not a signal.
  ::signal(SIGPIPE, SIG_IGN);

  std::mutex outMutex;
  bool outBroken = false;
  tarnel::Server server(
      [&](const std::string& body) {
        std::lock_guard lock(outMutex);
        // The body is not copied behind its header: an answer may take megabytes.
        if (!outBroken)
          outBroken = !WriteAll(STDOUT_FILENO, tarnel::FrameHeader(body.size()), body);
      },
      tarnel::ExecutableFolderOf(argv[0]) + "resv.dic");

  std::mutex queueMutex;
  std::condition_variable arrived;
  std::deque<Incoming> queue;

  // Reading runs ahead of the answers, so that a cancellation is seen while its request waits.
  std::thread reading([&] {
    tarnel::MessageReader reader(
        [](char* buffer, std::size_t capacity) -> std::size_t {
          for (;;) {
            const ssize_t got = ::read(STDIN_FILENO, buffer, capacity);
            if (got < 0 && errno == EINTR) continue;
            return got > 0 ? static_cast<std::size_t>(got) : 0;
          }
        },
        tarnel::Server::kMessageLimit);
    for (;;) {
      std::deque<Incoming> batch;
      do {
        tarnel::MessageReader::Result result = reader.Next();
        if (result.Status == tarnel::MessageReader::Status::Message)
          server.NoteIfCancel(result.Body);
        batch.push_back({result.Status, std::move(result.Body)});
        if (batch.back().Status == tarnel::MessageReader::Status::End ||
            batch.back().Status == tarnel::MessageReader::Status::Truncated) {
          break;
        }
      } while (reader.HasBufferedMessage());
      const bool ended = batch.back().Status == tarnel::MessageReader::Status::End ||
                         batch.back().Status == tarnel::MessageReader::Status::Truncated;
      {
        std::lock_guard lock(queueMutex);
        for (Incoming& item : batch) queue.push_back(std::move(item));
      }
      arrived.notify_one();
      if (ended) return;
    }
  });

  int status = 1;  // input that ends without exit is an abnormal end
  for (;;) {
    Incoming item;
    {
      std::unique_lock lock(queueMutex);
      arrived.wait(lock, [&] { return !queue.empty(); });
      item = std::move(queue.front());
      queue.pop_front();
    }
    if (item.Status == tarnel::MessageReader::Status::Message) {
      server.Handle(item.Body);
      if (server.Exited()) {
        status = server.ExitStatus();
        break;
      }
    } else if (item.Status == tarnel::MessageReader::Status::End ||
               item.Status == tarnel::MessageReader::Status::Truncated) {
      break;
    } else {
      server.HandleBadFrame(item.Status);
    }
  }
  // The reading thread may still wait on input that never comes; the process ends without it.
  std::fflush(nullptr);
  std::_Exit(status);
}
