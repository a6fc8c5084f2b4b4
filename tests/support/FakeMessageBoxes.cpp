#include "FakeMessageBoxes.h"

namespace testsupport {

void FakeMessageBoxes::answer(std::initializer_list<int> answers) {
    std::lock_guard lock(m_mutex);
    m_answers.insert(m_answers.end(), answers.begin(), answers.end());
}

int FakeMessageBoxes::messageBox(std::string_view text, unsigned type, std::string_view caption) {
    std::lock_guard lock(m_mutex);
    int result = defaultMessageBoxAnswer(type);
    if (!m_answers.empty()) {
        result = m_answers.front();
        m_answers.pop_front();
    }
    m_shown.push_back({std::string(text), type, std::string(caption), result});
    return result;
}

std::vector<FakeMessageBoxes::Shown> FakeMessageBoxes::shown() const {
    std::lock_guard lock(m_mutex);
    return m_shown;
}

std::vector<std::string> FakeMessageBoxes::texts() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    for (const Shown& box : m_shown)
        texts.push_back(box.text);
    return texts;
}

std::size_t FakeMessageBoxes::unusedAnswers() const {
    std::lock_guard lock(m_mutex);
    return m_answers.size();
}

void FakeFileDialogs::choose(std::initializer_list<std::optional<std::filesystem::path>> choices) {
    std::lock_guard lock(m_mutex);
    m_choices.insert(m_choices.end(), choices.begin(), choices.end());
}

std::optional<std::filesystem::path> FakeFileDialogs::openFileName(const FileDialogRequest& request) {
    return next(false, request);
}

std::optional<std::filesystem::path> FakeFileDialogs::saveFileName(const FileDialogRequest& request) {
    return next(true, request);
}

std::optional<std::filesystem::path> FakeFileDialogs::next(bool save, const FileDialogRequest& request) {
    std::lock_guard lock(m_mutex);
    m_asked.push_back({save, request});
    if (m_choices.empty())
        return std::nullopt;
    auto choice = m_choices.front();
    m_choices.pop_front();
    return choice;
}

std::vector<FakeFileDialogs::Asked> FakeFileDialogs::asked() const {
    std::lock_guard lock(m_mutex);
    return m_asked;
}

} // namespace testsupport
