#pragma once

#include "platform/FileServices.h"
#include "platform/MessageBoxService.h"

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::test {

// A fresh directory under /tmp, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

using Bytes = std::vector<std::uint8_t>;

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);
std::int64_t fileSize(const std::string& path);
// Overwrites bytes in place, as another program would.
void patchFile(const std::string& path, std::int64_t offset, const Bytes& bytes);
void patchWord32(const std::string& path, std::int64_t offset, std::uint32_t value);
// The process's open file descriptors (0 on Windows, where they are not counted).
int openDescriptorCount();

// Offsets at which two byte images differ (sizes must be equal; a size change counts
// as a difference at the shorter size).
std::vector<std::int64_t> differingOffsets(const Bytes& before, const Bytes& after);

std::string samplesDir();

// Another writer of this program holding the writers' lock on path, through the
// system's file services, until it is let go or destroyed.
class OtherWriter {
public:
    explicit OtherWriter(const std::string& path);
    bool holds() const { return m_file != nullptr; }
    void letGo() { m_file.reset(); }

private:
    std::unique_ptr<platform::OpenFile> m_file;
};

// A CSV file of samples/ (plain cells, no quoting) as rows of cells by column name.
std::vector<std::map<std::string, std::string>> sampleCsv(const std::string& name);

struct ShownMessage {
    std::string text;
    std::optional<std::string> title;
    platform::MessageIcon icon;
    std::string details = {};
};

class RecordingMessageBox : public platform::MessageBoxService {
public:
    void show(std::string_view text, std::optional<std::string> title,
              platform::MessageIcon icon) override
    {
        shown.push_back({std::string(text), std::move(title), icon});
    }
    void showWithDetails(std::string_view text, std::string_view details,
                         platform::MessageIcon icon) override
    {
        shown.push_back({std::string(text), std::nullopt, icon, std::string(details)});
    }
    // The questions asked, and the answers given in turn; Discard once they run out,
    // as the program behaved before it asked.
    platform::SaveChoice askToSave(std::string_view text) override
    {
        asked.emplace_back(text);
        if (answers.empty())
            return platform::SaveChoice::Discard;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<ShownMessage> shown;
    std::vector<std::string> asked;
    std::deque<platform::SaveChoice> answers;
};

} // namespace quillmark::test

#include "platform/FileServices.h"

#include <functional>
#include <memory>

namespace quillmark::test {

// The system's file services with failures on demand, for what file permissions
// cannot show when the tests run as root, and with a hook into the first write for
// what another program may do at that moment.
class FaultyFileServices : public platform::FileServices {
public:
    // The n-th open (1-based) with this access fails, and every one after it when
    // `andAfter` is set.
    int failOpenNumber = 0;
    platform::FileAccess failAccess = platform::FileAccess::ReadWrite;
    bool andAfter = false;
    platform::FileError openError = platform::FileError::PermissionDenied;
    bool failAttributes = false;
    int opens = 0;
    // Counted over every file opened: the n-th byte read (readByte) or write call
    // (writeByte or write) fails with `ioError`.
    int failReadNumber = 0;
    int failWriteNumber = 0;
    platform::FileError ioError = platform::FileError::DeviceIoError;
    int reads = 0;
    int writes = 0;
    // From this write call on, every write fails, as after a crash or a kill.
    int stopWritesFrom = 0;
    std::int64_t bytesWritten = 0;
    // Runs once, just before the first write call reaches the file.
    std::function<void()> beforeFirstWrite;
    // Runs after each write call that reached the file, with its number: another
    // program acting between two writes.
    std::function<void(int)> afterWrite;
    // Runs as each write call begins, with its number, after every check the writer
    // made before it: another program acting in that instant.
    std::function<void(int)> beforeEachWrite;
    // Runs of bytes read (read calls), by the offset they start at.
    std::map<std::int64_t, int> readsAt;

    Result<std::unique_ptr<platform::OpenFile>, platform::FileError>
    open(const std::string& path, platform::FileAccess access) override
    {
        if (access == failAccess) {
            ++opens;
            if (failOpenNumber > 0 && (opens == failOpenNumber || (andAfter && opens > failOpenNumber)))
                return openError;
        }
        auto file = platform::systemFileServices().open(path, access);
        if (!file)
            return file.error();
        return std::unique_ptr<platform::OpenFile>(std::make_unique<File>(*this, std::move(*file)));
    }
    Result<platform::FileStatus, platform::FileError> status(const std::string& path) override
    {
        return platform::systemFileServices().status(path);
    }
    Result<Done, platform::FileError> setAttributesToNormal(const std::string& path) override
    {
        if (failAttributes)
            return platform::FileError::PermissionDenied;
        return platform::systemFileServices().setAttributesToNormal(path);
    }

private:
    class File final : public platform::OpenFile {
    public:
        File(FaultyFileServices& owner, std::unique_ptr<platform::OpenFile> file)
            : m_owner(owner), m_file(std::move(file))
        {
        }
        Result<std::uint8_t, platform::FileError> readByte(std::int64_t offset) override
        {
            if (++m_owner.reads == m_owner.failReadNumber)
                return m_owner.ioError;
            return m_file->readByte(offset);
        }
        Result<Done, platform::FileError> writeByte(std::int64_t offset, std::uint8_t value) override
        {
            if (auto fault = beforeWrite(); !fault)
                return fault;
            ++m_owner.bytesWritten;
            return m_file->writeByte(offset, value);
        }
        Result<Done, platform::FileError> read(std::int64_t offset, std::span<std::uint8_t> bytes) override
        {
            ++m_owner.readsAt[offset];
            return m_file->read(offset, bytes);
        }
        Result<Done, platform::FileError> write(std::int64_t offset,
                                                std::span<const std::uint8_t> bytes) override
        {
            if (auto fault = beforeWrite(); !fault)
                return fault;
            m_owner.bytesWritten += static_cast<std::int64_t>(bytes.size());
            auto written = m_file->write(offset, bytes);
            if (m_owner.afterWrite)
                m_owner.afterWrite(m_owner.writes);
            return written;
        }
        // A write call too: a cut may come before or after it.
        Result<Done, platform::FileError> extend(std::int64_t expectedSize, std::int64_t newSize,
                                                 std::uint8_t fill) override
        {
            if (auto fault = beforeWrite(); !fault)
                return fault;
            m_owner.bytesWritten += newSize - expectedSize;
            return m_file->extend(expectedSize, newSize, fill);
        }
        std::int64_t size() const override { return m_file->size(); }
        platform::FileIdentity identity() const override { return m_file->identity(); }
        Result<Done, platform::FileError> lockForWriting(std::chrono::milliseconds wait) override
        {
            return m_file->lockForWriting(wait);
        }

    private:
        Result<Done, platform::FileError> beforeWrite()
        {
            if (m_owner.writes++ == 0 && m_owner.beforeFirstWrite)
                m_owner.beforeFirstWrite();
            if (m_owner.beforeEachWrite)
                m_owner.beforeEachWrite(m_owner.writes);
            if (m_owner.writes == m_owner.failWriteNumber ||
                (m_owner.stopWritesFrom > 0 && m_owner.writes >= m_owner.stopWritesFrom))
                return m_owner.ioError;
            return Done{};
        }
        FaultyFileServices& m_owner;
        std::unique_ptr<platform::OpenFile> m_file;
    };
};

} // namespace quillmark::test
