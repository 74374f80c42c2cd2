// Reading and writing numbers as text without the C locale machinery.
//
// ValNumber lets std::from_chars do the correctly rounded conversion. Batch
// runs call it for every coordinate of every record, so a text already in
// from_chars' form is handed over as it stands; any other is first gathered
// into a small stack buffer in that form (no blanks, no "+", "e" for the
// exponent). Only a number of more than BufferSize characters spills to the
// heap.
//
// The output formats start from std::to_chars with 15 significant digits, the
// precision the program has always shown, and shape that digit string.

#include "core/NumberText.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "base/Errors.h"

namespace core {

namespace {

constexpr int SignificantDigits = 15;
// Decimal exponents of the general format shown without an exponent: 1E-04 ..
// 999999999999999 (as printf "%G" with precision 15).
constexpr int MinPlainExponent = -4;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Walks the text, stepping over blanks before every character it looks at.
class Cursor {
public:
    explicit Cursor(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    // The next non-blank character, or '\0' at the end.
    char Peek() {
        while (p_ != end_ && IsBlank(*p_)) ++p_;
        return p_ == end_ ? '\0' : *p_;
    }
    void Advance() { ++p_; }

private:
    const char* p_;
    const char* end_;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The characters handed to from_chars; spills to a string only for very long numbers.
class NumberBuffer {
public:
    void Push(char c) {
        if (spill_.empty() && size_ < BufferSize) {
            small_[size_++] = c;
            return;
        }
        if (spill_.empty()) spill_.assign(small_.data(), size_);
        spill_.push_back(c);
    }
    std::size_t Size() const { return spill_.empty() ? size_ : spill_.size(); }
    void Truncate(std::size_t size) {
        if (spill_.empty()) size_ = size;
        else spill_.resize(size);
    }
    const char* Begin() const { return spill_.empty() ? small_.data() : spill_.data(); }
    const char* End() const { return Begin() + Size(); }

private:
    static constexpr std::size_t BufferSize = 96;
    std::array<char, BufferSize> small_;  // only [0, size_) is ever read
    std::size_t size_ = 0;
    std::string spill_;
};

// "&H..." or "&O...": the classic integer literal, read as a signed 16-bit
// value when it fits in 16 bits and as a signed 32-bit value otherwise.
double ReadRadixInteger(Cursor& in, unsigned radix) {
    constexpr std::uint64_t Max32 = 0xFFFFFFFFu;
    constexpr std::uint64_t Max16 = 0xFFFFu;
    std::uint64_t value = 0;
    for (;;) {
        const char c = in.Peek();
        unsigned digit;
        if (IsDigit(c)) digit = static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else break;
        if (digit >= radix) break;
        value = value * radix + digit;
        if (value > Max32) throw base::OverflowError();
        in.Advance();
    }
    if (value <= Max16) return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Order of magnitude bookkeeping, to tell overflow from underflow when
// from_chars reports a value out of range.
struct Magnitude {
    int integerDigits = 0;         // significant digits before the point
    int leadingFractionZeros = 0;  // zeros after the point before the first significant digit
    bool significant = false;      // a non-zero digit has been seen
    long exponent = 0;             // clamped, only its size matters
};

bool IsExponentMark(char c) { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }

// Nearly every number the program reads was written by a program: no inner
// blanks, no "+", no "D". Such a text goes straight to from_chars; anything
// the full rules might read differently returns false and takes the long way.
bool ReadPlain(std::string_view text, double& value) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && IsBlank(*p)) ++p;
    const char* const first = p;
    if (p != end && *p == '-') ++p;
    // from_chars would also take "inf" and "nan".
    if (p == end || !(IsDigit(*p) || *p == '.')) return false;
    const auto [stop, ec] = std::from_chars(first, end, value);
    if (ec != std::errc()) return false;
    if (stop == end) return true;
    if (IsExponentMark(*stop)) return false;  // "D" exponent, or an exponent with blanks
    if (!IsBlank(*stop)) return true;         // the number ends here by either rules
    const char* next = stop;
    while (next != end && IsBlank(*next)) ++next;
    return next == end || !(IsDigit(*next) || *next == '.' || IsExponentMark(*next));
}

// The full rules for a decimal number: blanks anywhere, "+", "D" exponents.
double ReadDecimal(Cursor& in) {
    constexpr long ExponentClamp = 100000;
    char c = in.Peek();
    NumberBuffer buf;
    if (c == '-' || c == '+') {
        if (c == '-') buf.Push('-');
        in.Advance();
        c = in.Peek();
    }

    Magnitude mag;
    bool anyDigit = false;
    for (; IsDigit(c); c = in.Peek()) {
        buf.Push(c);
        anyDigit = true;
        if (c != '0') mag.significant = true;
        if (mag.significant) ++mag.integerDigits;
        in.Advance();
    }
    if (c == '.') {
        buf.Push('.');
        in.Advance();
        for (c = in.Peek(); IsDigit(c); c = in.Peek()) {
            buf.Push(c);
            anyDigit = true;
            if (c != '0') mag.significant = true;
            if (!mag.significant) ++mag.leadingFractionZeros;
            in.Advance();
        }
    }
    if (!anyDigit) return 0.0;

    if (IsExponentMark(c)) {
        // An exponent mark without digits is not part of the number ("1e" is 1).
        const std::size_t mantissaEnd = buf.Size();
        buf.Push('e');
        in.Advance();
        c = in.Peek();
        bool negativeExponent = false;
        if (c == '-' || c == '+') {
            negativeExponent = c == '-';
            if (negativeExponent) buf.Push('-');
            in.Advance();
            c = in.Peek();
        }
        bool exponentDigit = false;
        for (; IsDigit(c); c = in.Peek()) {
            buf.Push(c);
            exponentDigit = true;
            if (mag.exponent < ExponentClamp) mag.exponent = mag.exponent * 10 + (c - '0');
            in.Advance();
        }
        if (!exponentDigit) buf.Truncate(mantissaEnd);
        if (negativeExponent) mag.exponent = -mag.exponent;
    }

    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(buf.Begin(), buf.End(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // The decimal order of the first significant digit decides which end
        // of the range was left.
        const long order = (mag.integerDigits > 0 ? mag.integerDigits : -mag.leadingFractionZeros) + mag.exponent;
        if (order > 0) throw base::OverflowError();
        return *buf.Begin() == '-' ? -0.0 : 0.0;
    }
    return value;
}

}  // namespace

double ValNumber(std::string_view text) {
    if (double plain; ReadPlain(text, plain)) return plain;
    Cursor in(text);
    if (in.Peek() != '&') return ReadDecimal(in);
    in.Advance();
    const char kind = in.Peek();
    const unsigned radix = (kind == 'H' || kind == 'h') ? 16 : (kind == 'O' || kind == 'o') ? 8 : 0;
    if (radix == 0) return 0.0;
    in.Advance();
    return ReadRadixInteger(in, radix);
}

namespace {

// A finite non-zero value to 15 significant digits: digits[0..count) without
// trailing zeros, the first one standing for 10^exponent.
struct Digits {
    std::array<char, SignificantDigits> digits{};
    int count = 0;
    int exponent = 0;
    bool negative = false;
};

// Exact powers of ten as doubles: 10^0 .. 10^22.
constexpr std::array<double, 23> PowersOfTen = [] {
    std::array<double, 23> p{};
    double v = 1;
    for (double& x : p) {
        x = v;
        v *= 10;
    }
    return p;
}();

// The 15 significant digits of |value| as an integer from 10^14 to 10^15 - 1,
// and the power of ten of the first digit, when one multiplication by an
// exact power of ten settles them: the multiplication's rounding error, found
// exactly with a fused multiply-add, tells on which side of one half the
// exact product's fraction lies. False otherwise (an exact tie, a value out
// of the range handled here): the caller then takes the exact, slower way.
bool QuickDigits(double magnitude, std::uint64_t& digits, int& exponent) {
    constexpr double Low = 1e14, High = 1e15;  // the digits' range, both exact
    if (!(magnitude >= 1e-7 && magnitude < High)) return false;
    // The first digit's power is floor(log10(magnitude)): from the binary
    // exponent it is e or e + 1.
    const int binary = int((std::bit_cast<std::uint64_t>(magnitude) >> 52) & 0x7FF) - 1023;
    // floor(binary * log10(2)) in integers: 78913 / 2^18 is log10(2) closely
    // enough for every binary exponent of the range above.
    constexpr int Log10Of2Scaled = 78913, Log10Shift = 18;
    int e = (binary * Log10Of2Scaled) >> Log10Shift;
    double power = PowersOfTen[static_cast<std::size_t>(14 - e)];
    double scaled = magnitude * power;
    if (scaled >= High) {
        ++e;
        power = PowersOfTen[static_cast<std::size_t>(14 - e)];
        scaled = magnitude * power;
    }
    if (!(scaled >= Low + 1 && scaled < High - 1)) return false;
    // Positive and below 2^53: truncation is floor, and exact.
    const double whole = static_cast<double>(static_cast<std::int64_t>(scaled));
    const double fraction = scaled - whole;  // exact, a multiple of scaled's ulp, as is 0.5
    // The multiplication's error is at most half an ulp: only an even split
    // leaves the side to it (and fma is a library call without -mfma).
    bool up = fraction > 0.5;
    if (fraction == 0.5) {
        const double error = std::fma(magnitude, power, -scaled);  // exact product minus scaled
        if (error == 0) return false;                              // an exact tie
        up = error > 0;
    }
    digits = static_cast<std::uint64_t>(whole) + (up ? 1 : 0);
    exponent = e;
    return true;
}

// "00" .. "99", two digits per division instead of one.
constexpr std::array<char, 200> DigitPairs = [] {
    std::array<char, 200> p{};
    for (int i = 0; i < 100; ++i) {
        p[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        p[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return p;
}();

// `count` (even) digits of `value`, most significant first.
void WritePairs(std::uint32_t value, char* out, int count) {
    for (int k = count - 2; k >= 0; k -= 2) {
        const std::size_t pair = 2 * static_cast<std::size_t>(value % 100);
        out[k] = DigitPairs[pair];
        out[k + 1] = DigitPairs[pair + 1];
        value /= 100;
    }
}

// The 15 digits of a value below 10^15, leading zeros included; 32-bit
// arithmetic on either half.
void WriteDigits(std::uint64_t value, char* out) {
    const auto high = static_cast<std::uint32_t>(value / 100000000);  // 7 digits
    const auto low = static_cast<std::uint32_t>(value % 100000000);   // 8 digits
    out[0] = static_cast<char>('0' + high / 1000000);
    WritePairs(high % 1000000, out + 1, 6);
    WritePairs(low, out + 7, 8);
}

Digits ToDigits(double value) {
    Digits d;
    std::uint64_t quick = 0;
    if (QuickDigits(std::fabs(value), quick, d.exponent)) {
        d.negative = value < 0;
        WriteDigits(quick, d.digits.data());
        d.count = SignificantDigits;
        while (d.count > 1 && d.digits[static_cast<std::size_t>(d.count - 1)] == '0') --d.count;
        return d;
    }
    // "-d.ddddddddddddddde-308" fits comfortably.
    std::array<char, 40> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::scientific,
                                      SignificantDigits - 1);
    const char* p = text.data();
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (; p != result.ptr && *p != 'e'; ++p)
        if (*p != '.') d.digits[static_cast<std::size_t>(d.count++)] = *p;
    ++p;  // 'e'
    if (*p == '+') ++p;
    std::from_chars(p, result.ptr, d.exponent);
    while (d.count > 1 && d.digits[static_cast<std::size_t>(d.count - 1)] == '0') --d.count;
    return d;
}

// NaN and infinities, spelt as printf "%G" spells them.
std::string NonFiniteText(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

}  // namespace

std::size_t FormatGeneralTo(double value, char* out) {
    char* p = out;
    const auto put = [&p](std::string_view text) {
        for (char c : text) *p++ = c;
    };
    if (!std::isfinite(value)) {
        put(NonFiniteText(value));
        return static_cast<std::size_t>(p - out);
    }
    if (value == 0.0) {
        *p++ = '0';
        return 1;
    }
    const Digits d = ToDigits(value);
    const std::string_view digits(d.digits.data(), static_cast<std::size_t>(d.count));

    if (d.negative) *p++ = '-';
    if (d.exponent >= MinPlainExponent && d.exponent < SignificantDigits) {
        if (d.exponent < 0) {
            put("0.");
            for (int k = -d.exponent - 1; k > 0; --k) *p++ = '0';
            put(digits);
        } else {
            const auto integerDigits = static_cast<std::size_t>(d.exponent + 1);
            if (digits.size() <= integerDigits) {
                put(digits);
                for (std::size_t k = digits.size(); k < integerDigits; ++k) *p++ = '0';
            } else {
                put(digits.substr(0, integerDigits));
                *p++ = '.';
                put(digits.substr(integerDigits));
            }
        }
        return static_cast<std::size_t>(p - out);
    }

    *p++ = digits.front();
    if (digits.size() > 1) {
        *p++ = '.';
        put(digits.substr(1));
    }
    put(d.exponent < 0 ? "E-" : "E+");
    const int magnitude = std::abs(d.exponent);
    if (magnitude < 10) *p++ = '0';
    p = std::to_chars(p, out + MaxGeneralLength, magnitude).ptr;
    return static_cast<std::size_t>(p - out);
}

std::string FormatGeneral(double value) {
    char text[MaxGeneralLength];
    return std::string(text, FormatGeneralTo(value, text));
}

double GeneralValue(double value) {
    std::uint64_t digits = 0;
    int exponent = 0;
    if (std::isfinite(value) && value != 0 && QuickDigits(std::fabs(value), digits, exponent)) {
        // Both operands exact: one correctly rounded operation, as reading the text is.
        const double magnitude = static_cast<double>(digits) / PowersOfTen[static_cast<std::size_t>(14 - exponent)];
        return value < 0 ? -magnitude : magnitude;
    }
    return ValNumber(FormatGeneral(value));
}

std::string FormatFixed(double value, int decimals) {
    if (decimals < 0 || decimals > MaxFixedDecimals) throw base::InvalidCallError();
    if (!std::isfinite(value)) return NonFiniteText(value);

    // units: the digits of round(|value| * 10^decimals), most significant first.
    std::string units;
    bool negative = false;
    if (value != 0.0) {
        const Digits d = ToDigits(value);
        negative = d.negative;
        const int keep = d.exponent + decimals + 1;  // digits worth at least 10^-decimals
        for (int k = 0; k < keep; ++k) units += k < d.count ? d.digits[static_cast<std::size_t>(k)] : '0';
        if (keep >= 0 && keep < d.count && d.digits[static_cast<std::size_t>(keep)] >= '5') {
            auto it = units.rbegin();
            for (; it != units.rend() && *it == '9'; ++it) *it = '0';
            if (it == units.rend()) units.insert(units.begin(), '1');
            else ++*it;
        }
    }
    if (units.find_first_not_of('0') == std::string::npos) negative = false;

    const auto fraction = static_cast<std::size_t>(decimals);
    if (units.size() <= fraction) units.insert(0, fraction + 1 - units.size(), '0');
    if (fraction > 0) units.insert(units.size() - fraction, 1, '.');
    if (negative) units.insert(units.begin(), '-');
    return units;
}

}  // namespace core
