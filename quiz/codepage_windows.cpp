#include "quiz/codepage_system.h"

#include "quiz/win32api.h"

namespace {

// The system's own code pages, present on every installation; Qt has no converter
// for them there unless it is built with ICU.
UINT codePageOf(CyrillicEncoding encoding)
{
    switch (encoding) {
    case CyrillicEncoding::Koi8R: return 20866;
    case CyrillicEncoding::Cp866: return 866;
    case CyrillicEncoding::Iso88595: return 28595;
    case CyrillicEncoding::MacCyrillic: return 10007;
    case CyrillicEncoding::Windows1251: break;
    }
    return 1251;
}

} // namespace

ByteTable systemByteTable(CyrillicEncoding encoding)
{
    ByteTable table;
    table.fill(NoCharacter);
    const UINT codePage = codePageOf(encoding);
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        wchar_t wide = 0;
        if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) == 1)
            table[b] = char16_t(wide);
    }
    return table;
}
