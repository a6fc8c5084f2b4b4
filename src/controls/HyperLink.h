#pragma once
// CHyperLink: a static text that looks and acts like a web link. It shows its text in the link
// colour (the visited colour once opened, the hover colour while the pointer is over it),
// underlined by its mode, with the hand cursor and its address as tool tip; a click opens the
// address in the browser. The opening itself (OpenHyperlink) also serves the links of the HTML
// tool tip.

#include <QBasicTimer>
#include <QFont>
#include <QLabel>
#include <QString>
#include <QtGui/qrgb.h>

#include <functional>
#include <memory>

class MessageBoxes;
struct Services;

// What opening a link needs of the world: the shell's "open" with its result code (above 32 when
// it opened the address), the warning beep and the message boxes for the failure notice.
struct LinkServices {
    std::function<int(const QString& address)> shellOpen;
    std::function<void()> beep;
    std::shared_ptr<MessageBoxes> boxes;

    // The bundle's shell (33 when it opened the address, 31 when not: no program for it), the
    // application's beep and the bundle's message boxes.
    static LinkServices of(const Services& services);
};

// The text of a shell result code in the failure notice.
QString HyperlinkErrorText(int code);

// Opens the address through the shell, as one argument. On failure: the beep and the notice
// "Unable to open hyperlink:\n\n" with the code's text. True when it opened.
bool OpenHyperlink(const LinkServices& links, const QString& address);

class CHyperLink : public QLabel {
public:
    static constexpr QRgb kLinkColour = qRgb(0, 0, 238);
    static constexpr QRgb kVisitedColour = qRgb(85, 26, 139);
    static constexpr QRgb kHoverColour = qRgb(255, 0, 0);

    explicit CHyperLink(LinkServices links, QWidget* parent = nullptr);
    CHyperLink(const QString& text, LinkServices links, QWidget* parent = nullptr);

    // The address; an empty one stands for the text (and an empty text shows the address).
    void SetURL(const QString& url);
    QString GetURL() const { return m_url; }
    // -1 underlined while the pointer is over the link (the default), 1 always, 0 never.
    void SetUnderline(int mode);
    int GetUnderline() const { return m_underline; }
    void SetVisited(bool visited);
    bool GetVisited() const { return m_visited; }

protected:
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Once, before the link first shows: address and text, fonts, size, tool tip.
    void attach();
    // Fits the size to the text, keeping the edge and the line that the alignment names.
    void fitToText();
    // Font and colour of the current state.
    void applyLook();
    void click();

    LinkServices m_links;
    QString m_url;
    int m_underline = -1;
    bool m_visited = false;
    bool m_hovering = false;
    bool m_adjustToFit = true;
    bool m_attached = false;
    QFont m_plainFont;
    QFont m_underlinedFont;
    // Ends the hover once it finds the pointer outside.
    QBasicTimer m_hoverTimer;
};
