#pragma once
// Message boxes and file dialogs for tests: they record what was asked and give scripted answers,
// so a dialog or document host can be driven without a user.

#include "framework/FileDialogs.h"
#include "framework/MessageBoxes.h"

#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

class FakeMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        std::string text;
        unsigned type;
        std::string caption;
        int answer;
    };

    // Answers for the next boxes, in order (IDYES, IDNO, ...). A box beyond them gets its default
    // button's answer.
    void answer(std::initializer_list<int> answers);
    // As a real box does, each box runs the events posted so far (messages of workers, queued
    // calls) before it is answered; they may show further boxes meanwhile.
    void runEventsWhileShown(bool on = true);

    int messageBox(std::string_view text, unsigned type = MB_OK, std::string_view caption = {}) override;

    std::vector<Shown> shown() const;
    // The texts of the boxes shown so far, oldest first.
    std::vector<std::string> texts() const;
    // Scripted answers not used yet.
    std::size_t unusedAnswers() const;

private:
    mutable std::mutex m_mutex;
    std::deque<int> m_answers;
    std::vector<Shown> m_shown;
    bool m_runEvents = false;
};

class FakeFileDialogs : public FileDialogs {
public:
    struct Asked {
        bool save;
        FileDialogRequest request;
    };

    // Choices for the next dialogs, in order (nothing = cancelled). A dialog beyond them is cancelled.
    void choose(std::initializer_list<std::optional<std::filesystem::path>> choices);

    std::optional<std::filesystem::path> openFileName(const FileDialogRequest& request) override;
    std::optional<std::filesystem::path> saveFileName(const FileDialogRequest& request) override;

    std::vector<Asked> asked() const;

private:
    std::optional<std::filesystem::path> next(bool save, const FileDialogRequest& request);

    mutable std::mutex m_mutex;
    std::deque<std::optional<std::filesystem::path>> m_choices;
    std::vector<Asked> m_asked;
};

} // namespace testsupport
