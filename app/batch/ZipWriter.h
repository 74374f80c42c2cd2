#pragma once
// A zip archive written front to back, as an Office Open XML package needs:
// small parts given whole, and one long part streamed as it is made, each
// deflated (the fastest zlib level: a workbook's XML is repetitive enough
// that the best level saves a sixth of the size for four times the time).
//
//   batch::ZipWriter zip(pending.Path());
//   zip.Add("[Content_Types].xml", types);
//   zip.Open("xl/worksheets/sheet1.xml");
//   zip.Write(block);                     // as often as needed
//   zip.Finish();                         // the part, then the directory
//
// The streamed part is deflated on a thread of its own while the caller
// makes the next block (on one thread when none can be had). Parts past 4 GiB, or an archive whose directory starts past it, get the
// Zip64 records; smaller ones stay in the classic format, which every
// spreadsheet program reads. Any failure throws base::RuntimeError 75 naming
// the pending file's target; a ZipWriter destroyed unfinished leaves an
// incomplete file for its PendingFile to remove.

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace batch {

class ZipWriter {
public:
    // The largest size written in a classic 32-bit field; tests lower it to
    // see the Zip64 records without writing gigabytes.
    static constexpr std::uint64_t ClassicLimit = 0xFFFFFFFF;

    explicit ZipWriter(const std::string& path, std::uint64_t classicLimit = ClassicLimit);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // A whole part; no part may be open.
    void Add(const std::string& name, std::string_view content);
    // Starts the streamed part; Write appends to it.
    void Open(const std::string& name);
    void Write(std::string_view data);
    // Ends the open part, if any, writes the central directory and closes
    // the file, its data on disk.
    void Finish();

private:
    struct Entry {
        std::string name;
        std::uint32_t crc = 0;
        std::uint64_t compressed = 0, size = 0, offset = 0;
        std::uint64_t placeholder = 0;  // where a streamed part's reserved extra field is
        bool streamed = false;
    };
    struct Deflater;

    void WriteLocalHeader(Entry& entry);
    void Deflate(std::string_view data, bool last);
    void Close();
    void Compress();    // the thread's loop
    void StopThread();  // waits for the queue to drain, then rethrows its failure
    void WriteDirectory();
    void Put(const void* data, std::size_t size);
    void PutAt(std::uint64_t offset, const std::string& bytes);
    bool Big(std::uint64_t value) const { return value >= classicLimit_; }
    [[noreturn]] void Fail(int error) const;

    std::string path_;
    std::uint64_t classicLimit_;
    std::FILE* file_ = nullptr;
    std::uint64_t position_ = 0;
    std::vector<Entry> entries_;
    std::unique_ptr<Deflater> deflater_;  // the open part's stream
    std::vector<unsigned char> out_;      // deflate's output buffer

    // Blocks handed to the compressing thread; at most MaxQueued wait.
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> queue_;
    bool ending_ = false;
    std::exception_ptr failure_;
};

}  // namespace batch
