#include "ui/MarkWord.h"

#include <QColor>
#include <QString>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <string_view>
#include <unordered_set>

namespace tarnel {

namespace {

constexpr QRgb kRed = 0xFFFF0000;

std::u16string_view View(const QString& s) {
  return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

bool IsWholeAt(std::u16string_view text, std::size_t hit, std::size_t length) {
  if (hit > 0 && IsWordChar(text[hit - 1]) && IsWordChar(text[hit])) return false;
  std::size_t end = hit + length;
  if (end < text.size() && IsWordChar(text[end - 1]) && IsWordChar(text[end])) return false;
  return true;
}

// The colour of the character at pos is the format just before the cursor placed after it.
bool StartsRed(QTextDocument& doc, int pos) {
  QTextCursor probe(&doc);
  probe.setPosition(pos + 1);
  QTextCharFormat format = probe.charFormat();
  return format.hasProperty(QTextFormat::ForegroundBrush) &&
         format.foreground().style() != Qt::NoBrush && format.foreground().color().rgba() == kRed;
}

void Apply(QTextCursor& cursor, int pos, int length, const QTextCharFormat& format) {
  cursor.setPosition(pos);
  cursor.setPosition(pos + length, QTextCursor::KeepAnchor);
  cursor.mergeCharFormat(format);
}

QTextCharFormat RedFormat() {
  QTextCharFormat format;
  format.setForeground(QColor::fromRgba(kRed));
  return format;
}

QTextCharFormat BoldFormat() {
  QTextCharFormat format;
  format.setFontWeight(QFont::Bold);
  return format;
}

// Calls visit(block position, text view) for every block after the first.
template <typename Visit>
void ForEachBlockAfterFirst(QTextDocument& doc, Visit visit) {
  for (QTextBlock block = doc.firstBlock().next(); block.isValid(); block = block.next()) {
    const QString text = block.text();
    visit(block.position(), View(text));
  }
}

}  // namespace

bool IsPlainWord(std::u16string_view word) {
  if (word.empty()) return false;
  for (char16_t c : word) {
    if (!IsWordChar(c)) return false;
  }
  return true;
}

std::size_t FindWholeWord(std::u16string_view text, std::u16string_view word, std::size_t from) {
  if (word.empty()) return std::u16string_view::npos;
  for (std::size_t hit = text.find(word, from); hit != std::u16string_view::npos;
       hit = text.find(word, hit + 1)) {
    if (IsWholeAt(text, hit, word.size())) return hit;
  }
  return std::u16string_view::npos;
}

std::vector<WordSpan> WordRuns(std::u16string_view text) {
  std::vector<WordSpan> runs;
  std::size_t i = 0;
  while (i < text.size()) {
    if (!IsWordChar(text[i])) {
      ++i;
      continue;
    }
    std::size_t start = i;
    while (i < text.size() && IsWordChar(text[i])) ++i;
    runs.push_back({start, i - start});
  }
  return runs;
}

int MarkWord(QTextDocument& doc, const QString& word, MarkMode mode) {
  if (word.isEmpty()) return 0;
  const std::u16string_view w = View(word);
  const QTextCharFormat format = mode == MarkMode::Red ? RedFormat() : BoldFormat();
  QTextCursor cursor(&doc);
  cursor.beginEditBlock();
  int hits = 0;
  ForEachBlockAfterFirst(doc, [&](int blockPos, std::u16string_view text) {
    // The next search starts after the hit, so occurrences never overlap.
    for (std::size_t hit = FindWholeWord(text, w, 0); hit != std::u16string_view::npos;
         hit = FindWholeWord(text, w, hit + w.size())) {
      int pos = blockPos + static_cast<int>(hit);
      if (mode == MarkMode::Bold && StartsRed(doc, pos)) continue;
      Apply(cursor, pos, static_cast<int>(w.size()), format);
      ++hits;
    }
  });
  cursor.endEditBlock();
  return hits;
}

int MarkNamesBold(QTextDocument& doc, const std::vector<QString>& names) {
  // Plain names can only match whole runs of word characters, so one hash lookup per run finds
  // them all; the rare name with other characters (a type suffix, a blank) gets its own sweep.
  std::unordered_set<std::u16string_view> plain;
  plain.reserve(names.size());
  std::vector<const QString*> others;
  for (const QString& name : names) {
    std::u16string_view view = View(name);
    if (IsPlainWord(view)) {
      plain.insert(view);
    } else if (!view.empty()) {
      others.push_back(&name);
    }
  }

  const QTextCharFormat bold = BoldFormat();
  QTextCursor cursor(&doc);
  cursor.beginEditBlock();
  int marked = 0;
  if (!plain.empty()) {
    ForEachBlockAfterFirst(doc, [&](int blockPos, std::u16string_view text) {
      for (const WordSpan& run : WordRuns(text)) {
        if (!plain.contains(text.substr(run.Start, run.Length))) continue;
        int pos = blockPos + static_cast<int>(run.Start);
        if (StartsRed(doc, pos)) continue;
        Apply(cursor, pos, static_cast<int>(run.Length), bold);
        ++marked;
      }
    });
  }
  cursor.endEditBlock();
  for (const QString* name : others) marked += MarkWord(doc, *name, MarkMode::Bold);
  return marked;
}

}  // namespace tarnel
