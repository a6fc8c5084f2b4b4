#include "controls/MMStatusBar.h"

#include "controls/ControlCommand.h"
#include "framework/StringTable.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

MMStatusBar::MMStatusBar(QWidget* parent) : CStatusBar(parent) {}

MMStatusBar::~MMStatusBar() = default;

bool MMStatusBar::SetIndicators(const unsigned* ids, int count) {
    if (!CStatusBar::SetIndicators(ids, count))
        return false;
    m_toolTips.assign(static_cast<std::size_t>(GetCount()), QString());
    // Entries of panes that are gone go with them.
    std::erase_if(m_entries, [this](const auto& entry) { return entry->index >= GetCount(); });
    return true;
}

bool MMStatusBar::SetIndicators(std::span<const unsigned> ids, std::span<const unsigned> toolTipIds,
                                std::span<const QIcon> icons) {
    if ((!toolTipIds.empty() && toolTipIds.size() != ids.size()) || (!icons.empty() && icons.size() != ids.size()))
        return false;
    if (!SetIndicators(ids.data(), static_cast<int>(ids.size())))
        return false;
    for (std::size_t i = 0; i < toolTipIds.size(); ++i)
        if (toolTipIds[i] != 0 && ids[i] != 0)
            setToolTip(static_cast<int>(i), QString::fromStdString(LoadString(toolTipIds[i])));
    for (std::size_t i = 0; i < icons.size(); ++i) {
        if (ids[i] == 0 || icons[i].isNull())
            continue;
        const int index = static_cast<int>(i);
        SetPaneIcon(index, icons[i]);
        unsigned id = 0, style = 0;
        int width = 0;
        GetPaneInfo(index, id, style, width);
        SetPaneInfo(index, id, style, width + GetSystemMetrics(SM_CXSMICON));
    }
    return true;
}

bool MMStatusBar::AddColourEntry(int index, COLORREF textColour, COLORREF background) {
    if (index < 0 || index >= GetCount())
        return false;
    PaneColourEntry* entry = entryOf(index);
    if (!entry) {
        m_entries.push_back(std::make_unique<PaneColourEntry>());
        entry = m_entries.back().get();
        entry->index = index;
        entry->text = GetPaneText(index);
        entry->iconWidth = GetPaneIcon(index).isNull() ? 0 : GetSystemMetrics(SM_CXSMICON);
    }
    entry->textColour = textColour;
    entry->background = background;
    SetPaneStyle(index, GetPaneStyle(index) | SBPS_OWNERDRAW);
    update(GetItemRect(index));
    return true;
}

MMStatusBar::PaneColourEntry* MMStatusBar::entryOf(int index) {
    for (const auto& entry : m_entries)
        if (entry->index == index)
            return entry.get();
    return nullptr;
}

const MMStatusBar::PaneColourEntry* MMStatusBar::colourEntry(int index) const {
    return const_cast<MMStatusBar*>(this)->entryOf(index);
}

QString MMStatusBar::paneToolTip(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < m_toolTips.size()
               ? m_toolTips[static_cast<std::size_t>(index)]
               : QString();
}

void MMStatusBar::setToolTip(int index, const QString& text) {
    if (index >= 0 && static_cast<std::size_t>(index) < m_toolTips.size())
        m_toolTips[static_cast<std::size_t>(index)] = text;
}

std::unique_ptr<CmdUI> MMStatusBar::makePaneCmdUI(int index) {
    return std::make_unique<MMStatusCmdUI>(*this, index);
}

void MMStatusBar::DrawItem(QPainter& painter, int index, const QRect& rect) {
    const PaneColourEntry* entry = entryOf(index);
    if (!entry)
        return;
    if (entry->background != static_cast<COLORREF>(-1))
        painter.fillRect(rect, toQColor(entry->background));
    painter.setPen(toQColor(entry->textColour));
    const QRect text = rect.adjusted(2 + entry->iconWidth, 0, 0, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic, entry->text);
}

void MMStatusBar::OnChildNotify(int code, unsigned item) {
    if (code == NM_CLICK && item < static_cast<unsigned>(GetCount()))
        sendCommandToFrame(this, GetItemID(static_cast<int>(item)));
    CStatusBar::OnChildNotify(code, item);
}

bool MMStatusBar::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int index = paneAt(help->pos());
        const QString tip = paneToolTip(index);
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, this, GetItemRect(index));
        }
        return true;
    }
    return CStatusBar::event(event);
}

// ---- the pane's command-update object ----

void MMStatusCmdUI::SetText(std::string text) {
    const QString value = QString::fromStdString(text);
    MMStatusBar::PaneColourEntry* entry = m_bar.entryOf(m_nIndex);
    if (entry) {
        CmdUI::SetText(std::move(text));
        if (entry->text != value) {
            entry->text = value;
            m_bar.SetPaneText(m_nIndex, value, false);
            m_bar.SetPaneStyle(m_nIndex, m_bar.GetPaneStyle(m_nIndex) | SBPS_OWNERDRAW);
            m_bar.repaint(m_bar.GetItemRect(m_nIndex));
        }
    } else {
        CStatusCmdUI::SetText(std::move(text));
    }
    const int iconWidth = m_bar.GetPaneIcon(m_nIndex).isNull() ? 0 : GetSystemMetrics(SM_CXSMICON);
    if (entry)
        entry->iconWidth = iconWidth;
    SetWidth(iconWidth + m_bar.measure(value));
}

void MMStatusCmdUI::SetWidth(int pixels) {
    unsigned id = 0, style = 0;
    int width = 0;
    m_bar.GetPaneInfo(m_nIndex, id, style, width);
    m_bar.SetPaneInfo(m_nIndex, m_nID, style, pixels);
}

void MMStatusCmdUI::SetIcon(const QIcon& icon) {
    m_bar.SetPaneIcon(m_nIndex, icon);
    const int iconWidth = icon.isNull() ? 0 : GetSystemMetrics(SM_CXSMICON);
    if (MMStatusBar::PaneColourEntry* entry = m_bar.entryOf(m_nIndex))
        entry->iconWidth = iconWidth;
    SetWidth(m_bar.measure(m_bar.GetPaneText(m_nIndex)) + iconWidth);
}

void MMStatusCmdUI::SetToolTipText(const QString& text) {
    m_bar.setToolTip(m_nIndex, text);
}
