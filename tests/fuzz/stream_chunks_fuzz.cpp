// The chunk rules with fuzzed file contents and request sizes. Checks that the whole-sequence
// prefix holds back at most three bytes, and only the start of a sequence that the chunk does
// not complete; and, reading fuzzed files chunk by chunk as the stream callbacks do, that the
// chunks give back every byte, always move on, never part a CR from its LF unless the CR is all
// the chunk holds, and that UTF-8 decoded chunk by chunk reads as the file decoded at once.
#include "view/stream_chunks.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "utf8_model.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Whether a well-formed sequence starts at `start` and reaches past `cut`.
bool sequenceSpans(const Bytes& bytes, std::size_t start, std::size_t cut) {
    const std::size_t needed = leadLength(bytes[start]);
    if (needed == 0 || start + needed <= cut || start + needed > bytes.size()) return false;
    if (!fitsAfterLead(bytes[start], bytes[start + 1])) return false;
    for (std::size_t k = 2; k < needed; ++k) {
        if (!isContinuation(bytes[start + k])) return false;
    }
    return true;
}

void checkPrefix(const Bytes& bytes) {
    std::unique_ptr<unsigned char[]> exact(new unsigned char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    const std::size_t length = bytes.size();
    const std::size_t whole = wholeUtf8Prefix(exact.get(), length);
    FUZZ_CHECK(whole <= length && length - whole <= 3);
    for (std::size_t start = whole >= 3 ? whole - 3 : 0; start < whole; ++start) {
        FUZZ_CHECK(!sequenceSpans(bytes, start, whole));
    }
    if (whole == length) return;
    // What is held back is a lead byte and some of the bytes its sequence needs.
    FUZZ_CHECK(leadLength(bytes[whole]) > length - whole);
    for (std::size_t k = whole + 1; k < length; ++k) FUZZ_CHECK(isContinuation(bytes[k]));
}

// Request sizes taken in turn from the first bytes of the input, over and over.
class Requests {
public:
    Requests(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    std::size_t next(std::size_t low, std::size_t high) {
        const std::size_t value = size == 0 ? 0 : data[turn++ % size];
        return low + value % (high - low + 1);
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t turn = 0;
};

struct Reader {
    const Bytes& file;
    std::size_t position = 0;
    bool atEnd() const { return position == file.size(); }
    std::size_t read(std::size_t wanted) {
        return std::min(wanted, file.size() - position);
    }
};

// The unit of `unitSize` bytes at `offset`, or -1 past the file's last whole unit.
long unitAt(const Bytes& file, std::size_t offset, std::size_t unitSize) {
    if (offset + unitSize > file.size()) return -1;
    return unitSize == 1 ? file[offset] : file[offset] | file[offset + 1] << 8;
}

// Checks a chunk of `units` units that starts at `start`: it is not empty, and it ends on the
// CR of a CR LF pair only when that CR is all it holds.
void checkChunk(const Bytes& file, std::size_t start, std::size_t units, std::size_t unitSize) {
    FUZZ_CHECK(units > 0);
    const std::size_t end = start + units * unitSize;
    if (unitAt(file, end - unitSize, unitSize) == 0x0D && unitAt(file, end, unitSize) == 0x0A) {
        FUZZ_CHECK(units == 1);
    }
}

// UTF-8: half the request is read, the whole-sequence prefix taken, and a final CR given back.
void readAsUtf8(const Bytes& file, Requests requests) {
    Reader reader{file};
    std::u32string chunked;
    Bytes joined;
    while (!reader.atEnd()) {
        // The control asks for a few kilobytes; any request of at least 8 bytes must work.
        const std::size_t wanted = requests.next(4, 64);
        const std::size_t read = reader.read(wanted);
        const unsigned char* bytes = file.data() + reader.position;
        const bool filledRequest = read == wanted;
        std::size_t whole = filledRequest ? wholeUtf8Prefix(bytes, read) : read;
        if (whole == 0) whole = read;
        if (whole > 0 && holdsBackFinalCr(bytes[whole - 1], whole, filledRequest)) --whole;
        checkChunk(file, reader.position, whole, 1);
        const std::u32string part = decode(bytes, whole);
        chunked += part;
        joined.insert(joined.end(), bytes, bytes + whole);
        reader.position += whole;
    }
    FUZZ_CHECK(joined == file);
    FUZZ_CHECK(chunked == decode(file.data(), file.size()));
}

// Plain text, RTF and UTF-16: the bytes as they are, less a final CR unit. The control asks for
// whole units.
void readRaw(const Bytes& file, Requests requests, std::size_t unitSize) {
    Reader reader{file};
    Bytes joined;
    while (!reader.atEnd()) {
        const std::size_t requested = requests.next(1, 64) * unitSize;
        std::size_t read = reader.read(requested);
        const std::size_t units = read / unitSize;
        if (units == 0) {
            // An odd byte at the end of a UTF-16 file: the control gets it as it is.
            joined.insert(joined.end(), file.begin() + reader.position, file.begin() + reader.position + read);
            reader.position += read;
            continue;
        }
        const unsigned char* bytes = file.data() + reader.position;
        const std::size_t last = (units - 1) * unitSize;
        const unsigned lastUnit = unitSize == 1 ? bytes[last] : bytes[last] | bytes[last + 1] << 8;
        if (holdsBackFinalCr(lastUnit, units, read == requested)) read -= unitSize;
        checkChunk(file, reader.position, read / unitSize, unitSize);
        joined.insert(joined.end(), bytes, bytes + read);
        reader.position += read;
    }
    FUZZ_CHECK(joined == file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first bytes give the request sizes; the file is the rest.
    const std::size_t steering = std::min<std::size_t>(size, 16);
    const Bytes file(data + steering, data + size);
    checkPrefix(file);
    for (std::size_t cut = 0; cut < file.size() && cut < 8; ++cut) {
        checkPrefix(Bytes(file.begin(), file.end() - static_cast<std::ptrdiff_t>(cut)));
    }
    const Requests requests(data, steering);
    readAsUtf8(file, requests);
    readRaw(file, requests, 1);
    readRaw(file, requests, 2);
    return 0;
}
