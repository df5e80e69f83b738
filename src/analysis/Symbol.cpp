#include "analysis/Symbol.h"

#include <charconv>
#include <cstdio>

namespace tarnel {

std::size_t WriteKey(unsigned level, unsigned long number, char* out) {
  out[0] = static_cast<char>('0' + level % 10);
  out[1] = '-';
  if (number >= 10000)
    return static_cast<std::size_t>(std::to_chars(out + 2, out + kKeyRoom, number).ptr - out);
  // Four digits, zeros in front.
  const auto n = static_cast<unsigned>(number);
  out[2] = static_cast<char>('0' + n / 1000);
  out[3] = static_cast<char>('0' + n / 100 % 10);
  out[4] = static_cast<char>('0' + n / 10 % 10);
  out[5] = static_cast<char>('0' + n % 10);
  return 6;
}

std::string FormatKey(int level, long number) {
  char buffer[kKeyRoom];
  if (level < 0 || level > 9 || number < 0) {
    std::snprintf(buffer, sizeof buffer, "%d-%.4ld", level, number);
    return buffer;
  }
  return std::string(
      buffer, WriteKey(static_cast<unsigned>(level), static_cast<unsigned long>(number), buffer));
}

const std::string& GroupCaption(int groupKind) {
  // Code page 932: 標準ﾓｼﾞｭｰﾙ, ﾌｫｰﾑﾓｼﾞｭｰﾙ, ｸﾗｽﾓｼﾞｭｰﾙ, ﾕｰｻﾞｰｺﾝﾄﾛｰﾙ, ﾌﾟﾛﾊﾟﾃｨﾍﾟｰｼﾞ
  static const std::string captions[] = {
      "",
      "\x95\x57\x8f\x80\xd3\xbc\xde\xad\xb0\xd9",
      "\xcc\xab\xb0\xd1\xd3\xbc\xde\xad\xb0\xd9",
      "\xb8\xd7\xbd\xd3\xbc\xde\xad\xb0\xd9",
      "\xd5\xb0\xbb\xde\xb0\xba\xdd\xc4\xdb\xb0\xd9",
      "\xcc\xdf\xdb\xca\xdf\xc3\xa8\xcd\xdf\xb0\xbc\xde",
  };
  // ﾃﾞｻﾞｲﾅ, ﾕｰｻﾞｰﾄﾞｷｭﾒﾝﾄ
  static const std::string designers = "\xc3\xde\xbb\xde\xb2\xc5";
  static const std::string documents = "\xd5\xb0\xbb\xde\xb0\xc4\xde\xb7\xad\xd2\xdd\xc4";
  if (groupKind == KindDesignerGroup) return designers;
  if (groupKind == KindUserDocumentGroup) return documents;
  return captions[groupKind >= KindModuleGroup && groupKind <= KindPropertyPageGroup ? groupKind
                                                                                     : 0];
}

}  // namespace tarnel
