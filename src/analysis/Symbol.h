#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/ProcedureKey.h"
#include "platform/FixedText.h"

namespace tarnel {

// What a symbol record stands for; also the index of its image in the tree and the lists.
enum SymbolKind : std::uint8_t {
  KindModuleGroup = 1,
  KindFormGroup = 2,
  KindClassGroup = 3,
  KindUserControlGroup = 4,
  KindPropertyPageGroup = 5,
  KindStdModule = 6,
  KindFormModule = 7,
  KindClassModule = 8,
  KindUserControl = 9,
  KindPropertyPage = 10,
  KindSub = 11,
  KindFunction = 12,
  KindPropertyGet = 13,
  KindPropertyLet = 14,
  KindPropertySet = 15,
  // Found by the precise reading only.
  KindDeclareSub = 16,
  KindDeclareFunction = 17,
  KindEvent = 18,
  KindDesignerGroup = 19,
  KindUserDocumentGroup = 20,
  KindDesigner = 21,
  KindUserDocument = 22,
};

// Procedure-like records: procedures, properties, external procedures and events.
inline bool IsProcedureKind(int kind) { return kind >= KindSub && kind <= KindEvent; }
inline bool IsModuleKind(int kind) {
  return (kind >= KindStdModule && kind <= KindPropertyPage) || kind == KindDesigner ||
         kind == KindUserDocument;
}
inline bool IsGroupKind(int kind) {
  return (kind >= KindModuleGroup && kind <= KindPropertyPageGroup) || kind == KindDesignerGroup ||
         kind == KindUserDocumentGroup;
}

// A record's key: "L-NNNN" for the records the passes make, at most 10 bytes.
using RecordKey = FixedText<10>;

// One group, module or procedure. Text fields are code page 932 bytes. Name, FullName and Text are
// kept whole; Key and ParentKey hold at most 10 bytes and Scope one. Level stands after the short
// fields, where it fills what would be padding: a large project holds tens of thousands of
// records, and walks over them often.
struct TPassRec {
  std::string Name;
  std::string FullName;
  RecordKey Key;
  RecordKey ParentKey;
  FixedText<1> Scope;
  std::uint8_t Kind = 0;
  std::int32_t Level = 0;
  std::string Text;
  std::int32_t StartLine = 0;
  std::int32_t BodyLines = 0;
  // Keys of procedure records, in the order first added, each at most once.
  std::vector<ProcedureKey> Calls;
  std::vector<ProcedureKey> CalledBy;
};
static_assert(sizeof(TPassRec) <= 184, "a record fits a block of 192 bytes with its header");

// "L-NNNN": the level digit, "-", and number formatted with "%.4d".
std::string FormatKey(int level, long number);
// The same for a level of one digit into out, which holds at least kKeyRoom bytes; gives the
// length. A key is made for every record: the digits are written by hand rather than through
// the format parser.
inline constexpr std::size_t kKeyRoom = 24;
std::size_t WriteKey(unsigned level, unsigned long number, char* out);

// The group caption stored in Name for the group kinds (code page 932 bytes).
const std::string& GroupCaption(int groupKind);

}  // namespace tarnel
