#include "analysis/SourceDecoder.h"

#include "platform/ByteText.h"
#include "platform/CodePage.h"
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

void SourceDecoder::Decide(const std::vector<std::string>& enginePaths, PathResolver& resolver) {
  decided_.clear();
  fallback_ = SourceEncoding::Cp932;
  if (setting_ != SourceEncoding::Auto) return;
  long japanese = 0;
  long western = 0;
  std::vector<const std::string*> undecided;
  for (const std::string& path : enginePaths) {
    if (decided_.count(path) != 0 || !resolver.FileExists(path)) continue;
    std::string bytes;
    try {
      TextReader file;
      file.Open(path, resolver);
      bytes = file.Bytes();
    } catch (...) {
      continue;
    }
    if (IsAscii(bytes)) continue;
    std::optional<SourceEncoding> choice;
    if (IsValidUtf8(bytes)) {
      choice = SourceEncoding::Utf8;
    } else {
      choice = GuessLegacyCodePage(bytes);
    }
    if (!choice) {
      undecided.push_back(&path);
      continue;
    }
    if (*choice == SourceEncoding::Cp932) ++japanese;
    if (*choice == SourceEncoding::Cp1252) ++western;
    decided_[path] = *choice;
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
