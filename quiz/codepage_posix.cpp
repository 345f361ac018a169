#include "quiz/codepage_system.h"

#include <iconv.h>

// The C library's iconv: Qt's converter would bring in the ICU data, more than a megabyte
// of memory for 256 characters.
ByteTable systemByteTable(CyrillicEncoding encoding)
{
    ByteTable table;
    table.fill(NoCharacter);
    const iconv_t cd = iconv_open("UTF-16LE", iconvName(encoding));
    if (cd == iconv_t(-1))
        return table;
    for (int b = 0; b < 256; ++b) {
        char in = char(b);
        unsigned char out[4] = {};
        char *inPtr = &in;
        char *outPtr = reinterpret_cast<char *>(out);
        size_t inLeft = 1, outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1) && outLeft == 2)
            table[b] = char16_t(out[0] | out[1] << 8);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return table;
}
