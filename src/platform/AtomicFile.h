#pragma once
// Saving without risk to the previous file: the new content goes to a temporary file beside the
// target, is flushed to disk and then renamed over the target. Until that rename the previous
// file stays as it was; on any failure the temporary file is removed and the reason reported.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QSaveFile;

class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::filesystem::path target);
    ~AtomicFileWriter(); // discards everything unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file (an existing target keeps its permissions in the new file).
    // When the folder refuses new files, the error names the folder.
    bool open();
    bool write(std::string_view bytes);
    // Flushes, syncs and renames over the target.
    bool commit();
    // Marks the write failed with `reason`; commit() then fails and keeps the previous file.
    void fail(std::string reason);
    // The temporary file's descriptor while open (else -1), for content that is written at
    // chosen offsets, such as a zip archive. Write either through it or through write(), not both.
    int descriptor() const;

    const std::filesystem::path& target() const { return m_target; }
    // Why the last step failed ("" when nothing failed).
    const std::string& errorText() const { return m_error; }
    // The error number of the system call that failed (0 when nothing failed, or when the
    // failure was no system error, such as fail()).
    int errorNumber() const { return m_errorNumber; }

private:
    bool setError(const std::string& what, int number = 0);

    std::filesystem::path m_target;
    std::unique_ptr<QSaveFile> m_file;
    std::string m_error;
    int m_errorNumber = 0;
};

// Writes `bytes` as the new content of `target`. False, with the reason in `error`, when that
// fails; the previous file is then unchanged.
bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string* error = nullptr);

// The same with content produced by `produce`, which writes through the writer it is given and
// returns false (optionally after writer.fail(reason)) to give up.
bool writeFileAtomically(const std::filesystem::path& target, const std::function<bool(AtomicFileWriter&)>& produce,
                         std::string* error = nullptr);
