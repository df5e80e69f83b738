#include "analysis/SourceDecoder.h"

#include "platform/ByteText.h"
#include "platform/CodePage.h"
#include "platform/OrderedWork.h"
#include "platform/Paths.h"

namespace tarnel {

void SourceDecoder::SetSetting(SourceEncoding setting) {
  setting_ = setting;
  fallback_ = SourceEncoding::Cp932;
  decided_.clear();
}

SourceEncoding SourceDecoder::Detect(std::string_view bytes) const {
  if (IsAscii(bytes)) return fallback_;
  if (IsValidUtf8(bytes)) return SourceEncoding::Utf8;
  return GuessLegacyCodePage(bytes).value_or(fallback_);
}

void SourceDecoder::Decide(const std::vector<std::string>& enginePaths, PathResolver& resolver,
                           unsigned workers) {
  decided_.clear();
  fallback_ = SourceEncoding::Cp932;
  if (setting_ != SourceEncoding::Auto) return;
  // What each file's own bytes tell, read on the workers: nothing (missing, unreadable or plain
  // ASCII), no choice either way, or an encoding.
  struct Evidence {
    bool Told = false;
    std::optional<SourceEncoding> Choice;
  };
  OrderedWork<Evidence> reads(enginePaths.size(), [&](std::size_t i, Evidence& out, unsigned) {
    const std::string& path = enginePaths[i];
    if (!resolver.FileExists(path)) return;
    TextReader file;
    try {
      file.Open(path, resolver);
    } catch (...) {
      return;
    }
    const std::string_view bytes = file.Bytes();
    if (IsAscii(bytes)) return;
    out.Told = true;
    out.Choice = IsValidUtf8(bytes) ? SourceEncoding::Utf8 : GuessLegacyCodePage(bytes);
  });
  reads.Start(workers);
  long japanese = 0;
  long western = 0;
  std::vector<const std::string*> undecided;
  for (std::size_t i = 0; i < enginePaths.size(); ++i) {
    const std::string& path = enginePaths[i];
    const Evidence& evidence = reads.Take(i);
    if (decided_.count(path) != 0 || !evidence.Told) continue;
    if (!evidence.Choice) {
      undecided.push_back(&path);
      continue;
    }
    if (*evidence.Choice == SourceEncoding::Cp932) ++japanese;
    if (*evidence.Choice == SourceEncoding::Cp1252) ++western;
    decided_[path] = *evidence.Choice;
  }
  fallback_ = western > japanese ? SourceEncoding::Cp1252 : SourceEncoding::Cp932;
  for (const std::string* path : undecided) decided_[*path] = fallback_;
}

SourceEncoding SourceDecoder::EncodingOf(const std::string& enginePath,
                                         std::string_view bytes) const {
  if (setting_ != SourceEncoding::Auto) return setting_;
  if (auto it = decided_.find(enginePath); it != decided_.end()) return it->second;
  return Detect(bytes);
}

std::string SourceDecoder::ProjectText(std::string_view bytes) const {
  if (KeepsBytes()) return std::string(bytes);
  const SourceEncoding encoding = setting_ == SourceEncoding::Auto ? Detect(bytes) : setting_;
  return DecodeToUtf8(bytes, encoding);
}

const std::string* SourceDecoder::HeldText(const std::string& enginePath,
                                           PathResolver& resolver) const {
  if (!held_) return nullptr;
  std::optional<std::string> native = resolver.Resolve(enginePath);
  return native ? held_(*native) : nullptr;
}

void SourceDecoder::Load(TextReader& reader, const std::string& enginePath,
                         PathResolver& resolver) const {
  if (TakeHeld(reader, enginePath, resolver)) return;
  reader.Open(enginePath, resolver);
  Decode(reader, enginePath);
}

bool SourceDecoder::LoadIfThere(TextReader& reader, const std::string& enginePath,
                                PathResolver& resolver) const {
  if (TakeHeld(reader, enginePath, resolver)) return true;
  if (!reader.OpenIfThere(enginePath, resolver)) return false;
  Decode(reader, enginePath);
  return true;
}

bool SourceDecoder::TakeHeld(TextReader& reader, const std::string& enginePath,
                             PathResolver& resolver) const {
  const std::string* text = HeldText(enginePath, resolver);
  if (text == nullptr) return false;
  // The editor's text is UTF-8; the engine reads code page 932 bytes under that setting.
  reader = TextReader::FromBytes(KeepsBytes() ? Utf8ToCp932(*text) : *text);
  return true;
}

void SourceDecoder::Decode(TextReader& reader, const std::string& enginePath) const {
  if (KeepsBytes()) return;
  const std::string_view bytes = reader.Bytes();
  reader = TextReader::FromBytes(DecodeToUtf8(bytes, EncodingOf(enginePath, bytes)));
}

}  // namespace tarnel
