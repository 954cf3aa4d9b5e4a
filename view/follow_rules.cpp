#include "follow_rules.h"

#include "stream_chunks.h"

namespace {

constexpr unsigned carriageReturn = 0x0D;
constexpr unsigned char markLead = 0xEF;

bool isHighSurrogate(unsigned unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

std::size_t settledUtf16(const unsigned char* bytes, std::size_t length) {
    std::size_t end = length - length % 2;
    while (end >= 2) {
        const unsigned unit = bytes[end - 2] | bytes[end - 1] << 8;
        if (unit != carriageReturn && !isHighSurrogate(unit)) break;
        end -= 2;
    }
    return end;
}

std::size_t settledUtf8(const unsigned char* bytes, std::size_t length) {
    std::size_t end = wholeUtf8Prefix(bytes, length);
    while (end > 0 && bytes[end - 1] == carriageReturn) --end;
    return end;
}

std::size_t settledBytes(const unsigned char* bytes, std::size_t length) {
    if (length == 0) return 0;
    std::size_t end = length - 1;
    while (end > 0 && (bytes[end - 1] == carriageReturn || bytes[end] == markLead)) --end;
    return end;
}

}  // namespace

std::size_t settledLength(const unsigned char* bytes, std::size_t length, FileText text) {
    switch (text) {
    case FileText::utf16: return settledUtf16(bytes, length);
    case FileText::utf8: return settledUtf8(bytes, length);
    case FileText::bytes: break;
    }
    return settledBytes(bytes, length);
}

FileChange fileChange(const FileStamp& shown, const FileStamp& now, bool shownBytesSame) {
    if (now.volume != shown.volume || now.index != shown.index || now.size < shown.size || !shownBytesSame) {
        return FileChange::changed;
    }
    return now.size > shown.size ? FileChange::grown : FileChange::unchanged;
}
