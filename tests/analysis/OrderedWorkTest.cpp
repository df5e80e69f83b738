#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/OrderedWork.h"
#include "support/ProjectFixture.h"

namespace tarnel {
namespace {

TEST(OrderedWorkTest, TakesEveryResultInOrderWithAnyNumberOfWorkers) {
  for (unsigned workers : {0u, 1u, 3u}) {
    OrderedWork<long> work(500, [](std::size_t index, long& out, unsigned) {
      long sum = 0;
      for (std::size_t i = 0; i <= index * 50; ++i) sum += static_cast<long>(i % 7);
      out = sum;
    });
    work.Start(workers);
    for (std::size_t i = 0; i < work.Count(); ++i) {
      long expected = 0;
      for (std::size_t k = 0; k <= i * 50; ++k) expected += static_cast<long>(k % 7);
      ASSERT_EQ(work.Take(i), expected) << workers << " workers, item " << i;
    }
  }
}

TEST(OrderedWorkTest, StopsCleanlyWhenLeftHalfTaken) {
  OrderedWork<int> work(
      1000, [](std::size_t index, int& out, unsigned) { out = static_cast<int>(index); });
  work.Start(3);
  EXPECT_EQ(work.Take(0), 0);
  EXPECT_EQ(work.Take(10), 10);
}

// A worker still computes the item taken, and the taking thread has nothing left to compute
// itself: it must sleep and be woken when the worker is done, every time.
TEST(OrderedWorkTest, TheTakingThreadWakesForAnItemAWorkerFinishesLate) {
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "no spare core for a worker";
  for (int round = 0; round < 20; ++round) {
    std::atomic<bool> workerHasFirst{false}, takerComputed{false};
    OrderedWork<int> work(2, [&](std::size_t index, int& out, unsigned worker) {
      if (worker != 0) {
        workerHasFirst = true;
        while (!takerComputed) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      } else {
        takerComputed = true;
      }
      out = static_cast<int>(index) + 10;
    });
    work.Start(1);
    while (!workerHasFirst) std::this_thread::yield();
    EXPECT_EQ(work.Take(0), 10);
    EXPECT_EQ(work.Take(1), 11);
  }
}

// Many modules calling each other across files: the records, their order and every call must
// come out the same whether files are read ahead on other threads or not.
class ParallelAnalysisTest : public test::ProjectFixture {};

TEST_F(ParallelAnalysisTest, WorkersChangeNothingInTheResult) {
  std::string vbp;
  for (int m = 0; m < 40; ++m) {
    std::string name = "M" + std::to_string(m);
    vbp += (m % 3 == 0 ? "Form=" + name + ".frm\r\n" : "Module=" + name + "; " + name + ".bas\r\n");
    std::string body = m % 3 == 0 ? "Begin VB.Form F\r\nEnd\r\n" : "";
    body += "Attribute VB_Name = \"" + name + "\"\r\n";
    for (int p = 0; p < 30; ++p) {
      body += "Public Function P" + std::to_string(p) + "(n)\r\n";
      body += "    x = P" + std::to_string((p * 7 + m) % 30) + "(1) + M" +
              std::to_string((m + p) % 40) + ".P" + std::to_string(p % 5) + "(2)\r\n";
      body += "    If n _\r\n      Then Call P" + std::to_string((p + 1) % 30) + "\r\n";
      body += "End Function\r\n";
    }
    dir.Write(name + (m % 3 == 0 ? ".frm" : ".bas"), body);
  }
  vbp += "Module=Gone; Gone.bas\r\n";
  dir.Write("Demo.vbp", vbp);

  auto snapshot = [this](unsigned workers) {
    test::RecordingHost quiet;
    AnalysisContext ctx(quiet);
    ctx.Options.Workers = workers;
    AnalyzeProject(ctx, NativeToEngine(dir.File("Demo.vbp")));
    std::vector<std::string> lines;
    for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
      const TPassRec& r = ctx.Result.SymbolList.At(i);
      std::string line = r.Key + " " + r.FullName + " " + std::to_string(r.StartLine) + "+" +
                         std::to_string(r.BodyLines) + " calls";
      for (const auto& k : r.Calls) line += " " + k.Text();
      line += " by";
      for (const auto& k : r.CalledBy) line += " " + k.Text();
      lines.push_back(line);
    }
    lines.push_back("messages " + std::to_string(quiet.Messages.size()));
    return lines;
  };
  std::vector<std::string> alone = snapshot(0);
  EXPECT_EQ(alone.size(), 40u + 30u * 40u + 2u + 1u + 1u);
  for (int round = 0; round < 3; ++round) EXPECT_EQ(snapshot(3), alone);
}

}  // namespace
}  // namespace tarnel
