#include "analysis/Symbol.h"

#include <cstdio>

namespace tarnel {

std::size_t WriteKey(unsigned level, unsigned long number, char* out) {
  char digits[20];
  std::size_t count = 0;
  for (unsigned long rest = number; rest > 0 || count < 4; rest /= 10) {
    digits[count++] = static_cast<char>('0' + rest % 10);
  }
  std::size_t size = 0;
  out[size++] = static_cast<char>('0' + level % 10);
  out[size++] = '-';
  while (count > 0) out[size++] = digits[--count];
  return size;
}

std::string FormatKey(int level, long number) {
  char buffer[kKeyRoom];
  if (level < 0 || level > 9 || number < 0) {
    std::snprintf(buffer, sizeof buffer, "%d-%.4ld", level, number);
    return buffer;
  }
  return std::string(buffer, WriteKey(static_cast<unsigned>(level),
                                      static_cast<unsigned long>(number), buffer));
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
