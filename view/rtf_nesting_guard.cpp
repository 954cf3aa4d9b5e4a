#include "rtf_nesting_guard.h"

namespace {

bool isLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Larger \bin counts than any file can hold are all the same.
constexpr std::uint64_t largestParameter = 1ull << 40;

}  // namespace

void RtfNestingGuard::endControlWord() {
    // \binN is followed by N bytes of raw data, in which braces are no braces.
    binaryLeft = wordIsBin && !negative ? parameter : 0;
    state = binaryLeft > 0 ? State::binary : State::text;
}

std::size_t RtfNestingGuard::admit(const unsigned char* bytes, std::size_t length) {
    if (tooDeep) return 0;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = bytes[i];
        switch (state) {
        case State::binary:
            if (--binaryLeft == 0) state = State::text;
            continue;
        case State::escape:
            if (isLetter(c)) {
                state = State::controlWord;
                wordLength = 1;
                wordIsBin = c == 'b';
            } else {
                state = State::text;  // \{ \} \\ and the control symbols
            }
            continue;
        case State::controlWord:
            if (isLetter(c)) {
                wordIsBin = wordIsBin && ((wordLength == 1 && c == 'i') || (wordLength == 2 && c == 'n'));
                ++wordLength;
                continue;
            }
            wordIsBin = wordIsBin && wordLength == 3;
            parameter = 0;
            negative = c == '-';
            if (isDigit(c) || negative) {
                state = State::parameter;
                if (isDigit(c)) parameter = c - '0';
                continue;
            }
            break;
        case State::parameter:
            if (isDigit(c)) {
                if (parameter < largestParameter) parameter = parameter * 10 + (c - '0');
                continue;
            }
            break;
        case State::text:
            break;
        }
        if (state == State::controlWord || state == State::parameter) {
            endControlWord();
            if (c == ' ') continue;  // the blank that ends a control word belongs to it
            if (state == State::binary) {
                if (--binaryLeft == 0) state = State::text;
                continue;
            }
        }
        if (c == '\\') {
            state = State::escape;
        } else if (c == '{') {
            if (depth == deepestGroup) {
                tooDeep = true;
                return i;
            }
            ++depth;
        } else if (c == '}' && depth > 0) {
            --depth;
        }
    }
    return length;
}
