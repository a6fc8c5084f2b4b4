#include "dialogs/DlgPageDisplay.h"

#include "framework/MessageBoxes.h"
#include "retrieval/filtering.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <algorithm>
#include <cerrno>
#include <new>

namespace fs = std::filesystem;

// --- Reading -----------------------------------------------------------------------------------

PageReadResult ReadPageFile(const fs::path& file, std::string& text) {
    text.clear();
    if (file.empty())
        return PageReadResult::Unreadable;
    PageText page;
    std::string error;
    const int read = ReadPageText(file, page, error);
    if (read == EFBIG || read == ENOMEM)
        return PageReadResult::TooLarge;
    if (read != 0)
        return PageReadResult::Unreadable;
    try {
        text.assign(page.text());
    } catch (const std::bad_alloc&) {
        return PageReadResult::TooLarge;
    }
    return PageReadResult::Ok;
}

// --- The map -----------------------------------------------------------------------------------

namespace {

// The length of the UTF-8 sequence starting with `lead` and its code point; 0 when the bytes at
// `p` are no valid sequence (overlong forms, surrogates and values above U+10FFFF included).
std::size_t decodeUtf8(const unsigned char* p, std::size_t available, char32_t& cp) {
    const unsigned char lead = p[0];
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = p[k];
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    return length;
}

} // namespace

PageTextMap::PageTextMap(std::string_view page) : m_bytes(page.size()) {
    m_utf8 = build(page, true);
    if (!m_utf8)
        build(page, false);
}

bool PageTextMap::build(std::string_view page, bool utf8) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(page.data());
    const std::size_t n = page.size();
    m_runs.clear();
    m_runs.push_back({0, 0, 0});
    m_text = QString(static_cast<qsizetype>(n), Qt::Uninitialized);
    QChar* out = m_text.data();
    int pos = 0;
    std::size_t i = 0;
    // The bytes from i to i + length become `width` positions: the run so far ends at i.
    const auto unit = [&](std::size_t length) {
        m_runs.back().runEnd = i;
        i += length;
        m_runs.push_back({i, pos, 0});
    };
    while (i < n) {
        const unsigned char c = bytes[i];
        if (c == '\r') {
            out[pos++] = QLatin1Char('\n');
            if (i + 1 < n && bytes[i + 1] == '\n')
                unit(2);
            else
                ++i;
        } else if (c < 0x80 || !utf8) {
            out[pos++] = QChar(static_cast<char16_t>(c == 0 ? ' ' : c));
            ++i;
        } else {
            char32_t cp = 0;
            const std::size_t length = decodeUtf8(bytes + i, n - i, cp);
            if (length == 0)
                return false;
            if (cp >= 0x10000) {
                out[pos++] = QChar(QChar::highSurrogate(cp));
                out[pos++] = QChar(QChar::lowSurrogate(cp));
            } else {
                out[pos++] = QChar(static_cast<char16_t>(cp));
            }
            unit(length);
        }
    }
    m_runs.back().runEnd = n;
    m_text.truncate(pos);
    return true;
}

int PageTextMap::position(std::size_t offset) const {
    if (offset >= m_bytes || m_runs.empty())
        return static_cast<int>(m_text.size());
    const auto after = std::upper_bound(m_runs.begin(), m_runs.end(), offset,
                                        [](std::size_t value, const Run& run) { return value < run.byte; });
    const Run& run = *(after - 1);
    const std::size_t inRun = std::min(offset, run.runEnd) - run.byte;
    return run.position + static_cast<int>(inRun);
}

// --- The forms ---------------------------------------------------------------------------------

void PageForms::read(const std::array<std::string, 3>& files, MessageBoxes& boxes) {
    for (int form = 0; form < 3; ++form) {
        const auto f = static_cast<std::size_t>(form);
        m_mapped[f] = false;
        m_maps[f] = PageTextMap();
        const PageReadResult result = ReadPageFile(files[f], m_bytes[f]);
        m_loaded[f] = result == PageReadResult::Ok;
        if (result == PageReadResult::TooLarge)
            boxes.messageBox(kCouldNotAllocateText, MB_OK | MB_ICONEXCLAMATION);
        else if (result == PageReadResult::Unreadable)
            boxes.messageBox(kCouldNotOpenText, MB_OK | MB_ICONEXCLAMATION);
        if (!m_loaded[f])
            m_bytes[f].clear();
    }
}

bool PageForms::loaded(int form) const {
    return valid(form) && m_loaded[static_cast<std::size_t>(form)];
}

const std::string& PageForms::bytes(int form) const {
    static const std::string none;
    return valid(form) ? m_bytes[static_cast<std::size_t>(form)] : none;
}

const PageTextMap& PageForms::map(int form) const {
    static const PageTextMap none;
    if (!valid(form))
        return none;
    const auto f = static_cast<std::size_t>(form);
    if (!m_mapped[f]) {
        m_maps[f] = PageTextMap(m_bytes[f]);
        m_mapped[f] = true;
    }
    return m_maps[f];
}

void PageForms::show(QPlainTextEdit& view, int form) const {
    view.setPlainText(map(form).text());
}

void PageForms::select(QPlainTextEdit& view, int form, std::size_t start, std::size_t length) const {
    const PageTextMap& shown = map(form);
    QTextCursor cursor(view.document());
    cursor.setPosition(shown.position(start + length));
    // The cursor at the start, so the start is what gets scrolled into view.
    cursor.setPosition(shown.position(start), QTextCursor::KeepAnchor);
    view.setTextCursor(cursor);
    view.ensureCursorVisible();
    view.setFocus(Qt::OtherFocusReason);
}

QPlainTextEdit* makePageView(unsigned id) {
    auto* view = new QPlainTextEdit;
    view->setObjectName(QStringLiteral("idc_%1").arg(id));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The selection keeps its colour when the focus is elsewhere.
    QPalette palette = view->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    view->setPalette(palette);
    return view;
}
