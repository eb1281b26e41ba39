#include "app/crashcommandline.h"

namespace crashcommandline {
namespace {

// Appends text at out[*length]; false, with nothing written, if it and the terminator do not fit.
bool append(char* out, std::size_t capacity, std::size_t* length, const char* text)
{
    std::size_t n = 0;
    while (text[n] != '\0')
        ++n;
    if (*length + n + 1 > capacity)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        out[*length + i] = text[i];
    *length += n;
    out[*length] = '\0';
    return true;
}

} // namespace

long build(char* out, std::size_t capacity, const char* reporter, const char* dumpPath)
{
    if (capacity == 0)
        return -1;
    std::size_t length = 0;
    out[0] = '\0';
    bool fits = append(out, capacity, &length, reporter);
    const std::size_t programLength = length;
    fits = fits && append(out, capacity, &length, " ") && append(out, capacity, &length, dumpPath);
    if (!fits) {
        out[0] = '\0';
        return -1;
    }
    return static_cast<long>(programLength);
}

std::size_t launchFailure(char* out, std::size_t capacity, int error)
{
    if (capacity == 0)
        return 0;
    // Error numbers are positive; the digits are produced backwards, then reversed.
    char digits[16];
    std::size_t count = 0;
    unsigned value = error < 0 ? 0U : static_cast<unsigned>(error);
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    char number[16];
    for (std::size_t i = 0; i < count; ++i)
        number[i] = digits[count - 1 - i];
    number[count] = '\0';

    std::size_t length = 0;
    out[0] = '\0';
    if (!append(out, capacity, &length, "CreateProcess failed (") || !append(out, capacity, &length, number) ||
        !append(out, capacity, &length, ").\n")) {
        out[0] = '\0';
        return 0;
    }
    return length;
}

} // namespace crashcommandline
