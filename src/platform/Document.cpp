#include "platform/Document.h"

#include "platform/Paths.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// A file the user may not write, or one that nobody may write by its permissions: root could
// write it, but it was marked read-only all the same.
bool isReadOnlyFile(const std::filesystem::path& path) {
    const QFileInfo info(paths::toQString(path));
    constexpr auto kWriteBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.exists() && (!info.isWritable() || !(info.permissions() & kWriteBits));
}

} // namespace

Document::Document() = default;
Document::~Document() = default;

void Document::SetPathName(const std::filesystem::path& path) {
    m_path = path;
    m_title = path.filename().string();
    if (m_title.empty())
        m_title = kUntitled;
}

void Document::AddView(DocumentObserver& view) {
    if (std::find(m_views.begin(), m_views.end(), &view) == m_views.end())
        m_views.push_back(&view);
}

void Document::RemoveView(DocumentObserver& view) {
    std::erase(m_views, &view);
}

void Document::UpdateAllViews(DocumentObserver* sender, std::int64_t hint) {
    // A view may add or remove views while it is told: walk a copy and skip the ones gone since.
    const std::vector<DocumentObserver*> views = m_views;
    for (DocumentObserver* view : views) {
        if (view == sender || std::find(m_views.begin(), m_views.end(), view) == m_views.end())
            continue;
        view->OnUpdate(sender, hint);
    }
}

bool Document::OnNewDocument() {
    DeleteContents();
    SetModifiedFlag(false);
    return true;
}

void Document::OnCloseDocument() {
    DeleteContents();
    SetModifiedFlag(false);
    m_path.clear();
    m_title = kUntitled;
}

bool Document::SaveModified() {
    if (!IsModified())
        return true;
    if (!m_host)
        return false;
    const std::string name = m_path.empty() ? m_title : m_path.string();
    switch (m_host->askSaveChanges(name)) {
    case SaveChangesAnswer::Yes:
        return DoFileSave();
    case SaveChangesAnswer::No:
        return true;
    case SaveChangesAnswer::Cancel:
        break;
    }
    return false;
}

bool Document::newDocument() {
    if (!OnNewDocument())
        return false;
    m_path.clear();
    m_title = kUntitled;
    SetModifiedFlag(false);
    return true;
}

bool Document::openDocument(const std::filesystem::path& path) {
    if (!OnOpenDocument(path))
        return false;
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

bool Document::DoSave(const std::filesystem::path& path, bool replace) {
    std::filesystem::path target = path;
    if (target.empty()) {
        if (!m_host)
            return false;
        const auto chosen = m_host->chooseSavePath(m_title);
        if (!chosen || chosen->empty())
            return false;
        target = *chosen;
    }
    if (!OnSaveDocument(target))
        return false;
    if (replace)
        SetPathName(target);
    SetModifiedFlag(false);
    return true;
}

bool Document::DoFileSave() {
    if (m_path.empty() || isReadOnlyFile(m_path))
        return DoSave({});
    return DoSave(m_path);
}
