#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/SourceText.h"
#include "platform/TextFile.h"

namespace tarnel {

// How the module files of one analysis are decoded. With the code page 932 setting the bytes are
// the engine's text as they stand; with any other, every file becomes UTF-8, each from the
// encoding chosen for it.
class SourceDecoder {
 public:
  void SetSetting(SourceEncoding setting);
  SourceEncoding Setting() const { return setting_; }
  // True when files are read as they are: code page 932 bytes are the engine's text.
  bool KeepsBytes() const { return setting_ == SourceEncoding::Cp932; }

  // Under Auto, decides the encoding of each file (engine paths) before they are read: a file
  // without enough evidence of its own follows the decision taken for most of the others.
  // Missing or unreadable files are left to the readers to report. Up to workers other threads
  // read the files.
  void Decide(const std::vector<std::string>& enginePaths, PathResolver& resolver,
              unsigned workers);

  // The concrete encoding that a file is read with.
  SourceEncoding EncodingOf(const std::string& enginePath, std::string_view bytes) const;
  // Text of the project file (module references) in the analysis's text.
  std::string ProjectText(std::string_view bytes) const;

  // Texts that an editor holds for files (UTF-8) by the native path a module resolves to, read
  // instead of what the files hold; null when it holds none for that path.
  using HeldTexts = std::function<const std::string*(const std::string& nativePath)>;
  void SetHeldTexts(HeldTexts texts) { held_ = std::move(texts); }

  // What module readers read through: null when they may read the files' bytes as they are (code
  // page 932 and no editor's texts), else this decoder.
  const SourceDecoder* ForReaders() const { return KeepsBytes() && !held_ ? nullptr : this; }

  // Opens a module file into reader, decoded, or the text held for it. Throws as
  // TextReader::Open does.
  void Load(TextReader& reader, const std::string& enginePath, PathResolver& resolver) const;
  // The same, but false when there is neither held text nor a file (a folder counts as none).
  bool LoadIfThere(TextReader& reader, const std::string& enginePath, PathResolver& resolver) const;

 private:
  SourceEncoding Detect(std::string_view bytes) const;
  const std::string* HeldText(const std::string& enginePath, PathResolver& resolver) const;
  // Puts the text held for enginePath into reader; false when none is held.
  bool TakeHeld(TextReader& reader, const std::string& enginePath, PathResolver& resolver) const;
  // Turns the bytes read into UTF-8 unless the bytes are kept.
  void Decode(TextReader& reader, const std::string& enginePath) const;

  SourceEncoding setting_ = SourceEncoding::Cp932;
  SourceEncoding fallback_ = SourceEncoding::Cp932;
  std::unordered_map<std::string, SourceEncoding> decided_;
  HeldTexts held_;
};

}  // namespace tarnel
