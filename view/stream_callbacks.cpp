#include "stream_callbacks.h"

#include <algorithm>

#include "stream_chunks.h"

namespace {

DWORD failureCode(DWORD fallback) {
    const DWORD code = GetLastError();
    return code != 0 ? code : fallback;
}

// Reads at most `wanted` bytes, and never beyond the source's bytesLeft.
BOOL readCapped(StreamSource& source, void* buffer, DWORD wanted, DWORD* read) {
    wanted = static_cast<DWORD>(std::min<std::uint64_t>(wanted, source.bytesLeft));
    *read = 0;
    if (wanted == 0) return TRUE;
    const BOOL ok = ReadFile(source.file, buffer, wanted, read, nullptr);
    source.bytesLeft -= *read;
    return ok;
}

// Leaves the last `bytes` read in the file for the next chunk.
void stepBack(StreamSource& source, LONG bytes) {
    LARGE_INTEGER distance;
    distance.QuadPart = -bytes;
    SetFilePointerEx(source.file, distance, nullptr, FILE_CURRENT);
    source.bytesLeft += static_cast<std::uint64_t>(bytes);
}

// Plain text, RTF and UTF-16: the file's bytes as they are, except that a chunk never ends on
// the CR of a CR LF pair (see stream_chunks.h). `unitSize` is 1 for bytes, 2 for UTF-16.
DWORD readRaw(StreamSource& source, LPBYTE buffer, LONG requested, LONG* moved, DWORD unitSize) {
    DWORD read = 0;
    if (!readCapped(source, buffer, static_cast<DWORD>(requested), &read)) {
        *moved = 0;
        return failureCode(ERROR_READ_FAULT);
    }
    const DWORD units = read / unitSize;
    if (units > 0) {
        const DWORD last = (read / unitSize - 1) * unitSize;
        const unsigned lastUnit = unitSize == 1 ? buffer[last] : buffer[last] | buffer[last + 1] << 8;
        if (holdsBackFinalCr(lastUnit, units, read == static_cast<DWORD>(requested))) {
            read -= unitSize;
            stepBack(source, static_cast<LONG>(unitSize));
        }
    }
    *moved = static_cast<LONG>(read);
    return 0;
}

// UTF-8: decoded here into UTF-16 for the control. A chunk of bytes never gives more UTF-16
// units than it has bytes, so half the request is read. A sequence cut by the chunk's end, and
// the CR of a CR LF pair, are left in the file for the next chunk.
DWORD readUtf8(StreamSource& source, LPBYTE buffer, LONG requested, LONG* moved) {
    *moved = 0;
    unsigned char bytes[4096];
    const DWORD wanted = std::min<DWORD>(static_cast<DWORD>(requested) / sizeof(wchar_t), sizeof bytes);
    if (wanted == 0) return 0;
    DWORD read = 0;
    if (!readCapped(source, bytes, wanted, &read)) return failureCode(ERROR_READ_FAULT);
    const bool filledRequest = read == wanted;
    DWORD whole = filledRequest ? static_cast<DWORD>(wholeUtf8Prefix(bytes, read)) : read;
    if (whole == 0) whole = read;  // nothing but a broken sequence: let the decoder mark it
    if (whole > 0 && holdsBackFinalCr(bytes[whole - 1], whole, filledRequest)) --whole;
    if (whole < read) stepBack(source, static_cast<LONG>(read - whole));
    auto* text = reinterpret_cast<wchar_t*>(buffer);
    const int units = whole == 0 ? 0
                                 : MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<char*>(bytes),
                                                       static_cast<int>(whole), text,
                                                       static_cast<int>(wanted));
    *moved = static_cast<LONG>(units * sizeof(wchar_t));
    return 0;
}

// RTF: the bytes as they are, up to a group nested deeper than the control can take; the
// stream ends with an error there.
DWORD readRichText(StreamSource& source, LPBYTE buffer, LONG requested, LONG* moved) {
    if (source.rtfGuard.exceeded()) {
        *moved = 0;
        return ERROR_INVALID_DATA;
    }
    const DWORD result = readRaw(source, buffer, requested, moved, 1);
    if (result == 0) {
        *moved = static_cast<LONG>(source.rtfGuard.admit(buffer, static_cast<std::size_t>(*moved)));
    }
    return result;
}

}  // namespace

WPARAM streamInFormat(StreamFormat format) {
    if (format == StreamFormat::utf8Text) return static_cast<WPARAM>(StreamFormat::unicodeText);
    return static_cast<WPARAM>(format);
}

DWORD CALLBACK readStreamCallback(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* moved) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    switch (source->format) {
    case StreamFormat::richText: return readRichText(*source, buffer, requested, moved);
    case StreamFormat::utf8Text: return readUtf8(*source, buffer, requested, moved);
    case StreamFormat::unicodeText: return readRaw(*source, buffer, requested, moved, 2);
    default: return readRaw(*source, buffer, requested, moved, 1);
    }
}

DWORD CALLBACK writeStreamCallback(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* moved) {
    DWORD written = 0;
    const BOOL ok = WriteFile(reinterpret_cast<HANDLE>(cookie), buffer,
                              static_cast<DWORD>(requested), &written, nullptr);
    *moved = static_cast<LONG>(written);
    if (!ok) return failureCode(ERROR_WRITE_FAULT);
    return written == static_cast<DWORD>(requested) ? 0 : ERROR_WRITE_FAULT;
}
