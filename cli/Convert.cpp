// Each input line is read the way the batch window reads one record: numbers
// through CommaToPoint and ValNumber, geographic values through ConvertAngle
// in the chosen form, grid references as the whole line. Lines are processed
// a buffer at a time under one parameter read scope, and output is flushed
// before every blocking read, so the command also works interactively.

#include "cli/Convert.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/Errors.h"
#include "base/SystemText.h"
#include "base/Workers.h"
#include "core/Pipeline.h"
#include "core/QuasiGeoid.h"
#include "store/ParamDb.h"
#include "app/batch/RecordIo.h"
#include "app/Methods.h"

namespace cli {

namespace {

using batch::SystemKind;

constexpr std::size_t ReadChunk = 1 << 16;
constexpr std::size_t MaxLine = 1 << 20;  // longer lines are refused, not buffered
// Input gathered at most per round while more is ready without waiting:
// enough lines for every thread, little memory.
constexpr std::size_t RoundInput = 1 << 20;
constexpr std::size_t MinLinesPerThread = 256;

// Splits a buffer filled by read(2) into lines without copying them.
class LineReader {
public:
    explicit LineReader(int fd) : fd_(fd) { buf_.reserve(ReadChunk); }

    // Blocks until more input arrives, then takes what else is ready without
    // waiting, up to RoundInput; false at end of input with nothing left.
    bool Fill() {
        if (begin_ > 0) {
            buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(begin_));
            begin_ = 0;
        }
        nextLf_ = NoLf;
        if (eof_) return !buf_.empty();
        const std::size_t start = buf_.size();
        do ReadOnce();
        while (!eof_ && buf_.size() - start < RoundInput && Ready());
        return !buf_.empty();
    }

    // Next complete line of the buffer (the unterminated tail only at end of
    // input); lines end in LF, CR LF or CR alone. `tooLong` flags a line cut
    // at MaxLine; its rest is skipped.
    bool Next(std::string_view& line, bool& tooLong) {
        tooLong = false;
        const char* data = buf_.data();
        const std::size_t size = buf_.size();
        if (skipping_) {
            const std::size_t end = LineEnd(begin_);
            if (end == size) {
                begin_ = size;
                return false;
            }
            if (!PastLineEnd(end, begin_)) return false;
            skipping_ = false;
        }
        if (begin_ >= size) return false;
        const std::size_t end = LineEnd(begin_);
        std::size_t next = end;
        if (end < size) {
            if (!PastLineEnd(end, next)) return false;
        } else if (size - begin_ >= MaxLine) {
            line = std::string_view(data + begin_, 0);
            tooLong = true;
            skipping_ = true;
            begin_ = size;
            return true;
        } else if (!eof_) {
            return false;
        }
        line = std::string_view(data + begin_, end - begin_);
        begin_ = next;
        return true;
    }

    // Whether reading failed (not just ended); errno's value then.
    int Error() const { return error_; }

private:
    void ReadOnce() {
        const std::size_t old = buf_.size();
        buf_.resize(old + ReadChunk);
        ssize_t got;
        do got = ::read(fd_, buf_.data() + old, ReadChunk);
        while (got < 0 && errno == EINTR);
        if (got < 0) error_ = errno;
        buf_.resize(old + static_cast<std::size_t>(got > 0 ? got : 0));
        if (got <= 0) eof_ = true;
    }

    // Whether a read would return at once (a file always does).
    bool Ready() const {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }

    // The first CR or LF from `from` on, or the buffer's end. The next LF is
    // remembered until the buffer changes, so that a file of CR-ended lines
    // is not searched to its end for every line.
    std::size_t LineEnd(std::size_t from) {
        if (from >= buf_.size()) return buf_.size();
        const char* data = buf_.data();
        if (nextLf_ < from || nextLf_ > buf_.size()) {
            const void* lf = std::memchr(data + from, '\n', buf_.size() - from);
            nextLf_ = lf ? std::size_t(static_cast<const char*>(lf) - data) : buf_.size();
        }
        const void* cr = std::memchr(data + from, '\r', nextLf_ - from);
        return cr ? std::size_t(static_cast<const char*>(cr) - data) : nextLf_;
    }

    // The start of the next line after the line end at `end`; false when a CR
    // ends the buffer and only more input can tell whether an LF follows.
    bool PastLineEnd(std::size_t end, std::size_t& next) const {
        if (buf_[end] == '\r') {
            if (end + 1 == buf_.size() && !eof_) return false;
            if (end + 1 < buf_.size() && buf_[end + 1] == '\n') ++end;
        }
        next = end + 1;
        return true;
    }

    int fd_;
    std::vector<char> buf_;
    std::size_t begin_ = 0;
    bool eof_ = false;
    bool skipping_ = false;
    int error_ = 0;
    static constexpr std::size_t NoLf = std::size_t(-1);
    std::size_t nextLf_ = NoLf;  // see LineEnd
};

// Words separated by blanks, tabs or semicolons.
void SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == ';')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != ';') ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
}

// What is said of a converted line without failing it, or failing it alone.
struct LineNotes {
    bool gridFallback = false;  // outside the IGN grid: Helmert instead
    bool noHeight = false;      // outside the height model: "*" for its height
};

class Converter {
public:
    explicit Converter(const ConvertOptions& o)
        : conversion_(batch::MakeSystemChoice(o.from), batch::MakeSystemChoice(o.to), o.method), form_{o.geoMode, 1},
          heightIn_(o.heightIn), heightOut_(o.heightOut) {}

    // Appends the output line for one input line; throws what the conversion
    // throws.
    LineNotes Convert(std::string_view line, std::string& result) {
        LineNotes notes;
        double height = 0;
        if (heightIn_) line = TakeHeight(line, height);
        const SystemKind kind = conversion_.In().kind;
        if (kind == SystemKind::Mgrs || kind == SystemKind::Ifbl) {
            fields_.assign(1, line);  // a reference may hold blanks
        } else {
            SplitFields(line, fields_);
            if (int(fields_.size()) != batch::CoordinateCount(kind))
                throw base::RuntimeError(base::err::TypeMismatch, std::string("attendu : ") + Expected(kind) + ".");
        }
        batch::ReadCoordinates(
            kind, form_, [&](int k) { return fields_[std::size_t(k)]; }, point_);
        core::DatumLegs legs;
        core::Wgs84Pivot pivot;
        conversion_.Convert(point_, converted_, &pivot, &legs);
        notes.gridFallback = legs.fallback;
        batch::RefuseOutsideGrid(conversion_.Out().kind, converted_);
        bool first = true;
        batch::WriteCoordinateTexts(conversion_.Out().kind, converted_, [&](std::string_view text) {
            if (!first) result += '\t';
            result += text;
            first = false;
        });
        if (heightIn_) {
            double converted = 0;
            if (!core::ConvertHeight(heightIn_, heightOut_, pivot.lon, pivot.lat, height, converted)) {
                notes.noHeight = true;
                result += "\t*";
            } else {
                char text[core::MaxGeneralLength];
                result += '\t';
                result.append(text, core::FormatGeneralTo(converted, text));
            }
        }
        result += '\n';
        return notes;
    }

    void Failed(std::string& result) const {
        const int n = batch::CoordinateCount(conversion_.Out().kind) + (heightIn_ ? 1 : 0);
        for (int i = 0; i < n; ++i) result += i ? "\t*" : "*";
        result += '\n';
    }

private:
    static const char* Expected(SystemKind kind) {
        switch (kind) {
        case SystemKind::Geographic: return "longitude et latitude";
        case SystemKind::Utm: return "E N fuseau";
        default: return "X Y";
        }
    }

    // The line without its last field, the height, read into `height`.
    static std::string_view TakeHeight(std::string_view line, double& height) {
        std::size_t end = line.find_last_not_of(" \t;");
        if (end == std::string_view::npos) throw base::RuntimeError(base::err::TypeMismatch, "hauteur manquante.");
        const std::size_t start = line.find_last_of(" \t;", end);
        const std::size_t from = start == std::string_view::npos ? 0 : start + 1;
        const std::string_view field = line.substr(from, end + 1 - from);
        if (from == 0) throw base::RuntimeError(base::err::TypeMismatch, "attendu : les coordonnées puis la hauteur.");
        try {
            height = batch::ProjectedValue(field, 1);
        } catch (const base::RuntimeError& e) {
            throw base::RuntimeError(e.number, std::string("hauteur : ") + e.what());
        }
        return line.substr(0, from);
    }

    batch::Conversion conversion_;
    batch::ReadingForm form_;
    char heightIn_, heightOut_;
    std::vector<std::string_view> fields_;
    batch::Coordinates point_, converted_;
};

// One thread's share of a round: its lines' output and messages, in order.
struct Share {
    std::string out, err;
    bool failed = false;
};

struct Line {
    std::string_view text;
    bool tooLong;
};

void ConvertLines(Converter& converter, const Line* lines, std::size_t count, long long firstNo, Share& share) {
    store::ParamReadScope scope;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t mark = share.out.size();
        try {
            if (lines[i].tooLong) throw base::RuntimeError(base::err::Overflow, "ligne trop longue.");
            const LineNotes notes = converter.Convert(lines[i].text, share.out);
            if (!notes.gridFallback && !notes.noHeight) continue;
            const std::string line = "Ligne " + std::to_string(firstNo + static_cast<long long>(i)) + " : ";
            // Said, not failed: the line has its numbers, a little less accurate.
            if (notes.gridFallback) share.err += line + app::GridFallbackText() + "\n";
            if (notes.noHeight) {
                share.err += line + "hors du modèle hBG18 (Belgique), pas de hauteur.\n";
                share.failed = true;
            }
        } catch (const std::exception& e) {
            share.out.resize(mark);
            converter.Failed(share.out);
            const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
            share.err += "Ligne " + std::to_string(firstNo + static_cast<long long>(i)) + " : " +
                         (memory ? base::OutOfMemoryText : e.what()) + "\n";
            share.failed = true;
        }
    }
}

}  // namespace

int RunConvert(const ConvertOptions& options, int in, std::FILE* out, std::FILE* err) {
    const int threads = options.threads > 0 ? options.threads : DefaultThreads();
    const std::size_t count = static_cast<std::size_t>(threads);
    std::vector<Converter> converters(count, Converter(options));
    std::vector<Share> shares(count);
    base::Workers workers(threads);
    LineReader reader(in);
    std::vector<Line> lines;
    long long lineNo = 0;
    bool anyFailed = false;
    while (reader.Fill()) {
        lines.clear();
        std::string_view line;
        bool tooLong = false;
        while (reader.Next(line, tooLong)) lines.push_back({line, tooLong});
        // Contiguous shares, written back in input order: the output is the
        // same whatever the number of threads.
        const std::size_t parts =
            std::max<std::size_t>(1, std::min<std::size_t>(std::size_t(threads), lines.size() / MinLinesPerThread));
        const std::size_t per = (lines.size() + parts - 1) / parts;
        workers.Run(int(parts), [&](int k) {
            const std::size_t from = std::min(lines.size(), per * std::size_t(k));
            const std::size_t to = std::min(lines.size(), from + per);
            ConvertLines(converters[std::size_t(k)], lines.data() + from, to - from,
                         lineNo + 1 + static_cast<long long>(from), shares[std::size_t(k)]);
        });
        lineNo += static_cast<long long>(lines.size());
        for (std::size_t k = 0; k < parts; ++k) {
            Share& share = shares[k];
            std::fputs(share.err.c_str(), err);
            anyFailed = anyFailed || share.failed;
            if (std::fwrite(share.out.data(), 1, share.out.size(), out) != share.out.size()) {
                std::fprintf(err, "travena-cli : écriture impossible : %s\n", base::SystemText(errno).c_str());
                return 1;
            }
            share.out.clear();
            share.err.clear();
        }
        if (std::fflush(out) != 0) {
            std::fprintf(err, "travena-cli : écriture impossible : %s\n", base::SystemText(errno).c_str());
            return 1;
        }
    }
    if (reader.Error()) {
        std::fprintf(err, "travena-cli : lecture de l'entrée impossible : %s\n",
                     base::SystemText(reader.Error()).c_str());
        return 1;
    }
    return anyFailed ? 1 : 0;
}

int DefaultThreads() { return base::CoreCount(); }

}  // namespace cli
