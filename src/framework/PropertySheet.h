#pragma once
// A property sheet: a Dialog with a tab for each page (PropertyPage.h) above the buttons OK
// ("idc_1"), Cancel ("idc_2") and Apply ("idc_12321", enabled while a page is modified), or, as a
// wizard, the pages one after the other with Back, Next, Finish and Cancel below a separator line.
// The tab widget is "idc_12320"; the pages lie over its page area as the sheet's children.
//
// The pages are the owner's (usually members of a derived sheet); AddPage does not take them over,
// and either may go first. A page is created on its first activation; switching pages asks the
// active page to let go (OnKillActive) -- a refusal keeps it -- and OK, Apply and Cancel run the
// protocol of PropertyPage.h. DoModal runs the sheet through the services' modal runner:
//
//   class ItemSheet : public PropertySheet {
//   public:
//       explicit ItemSheet(Services s) : PropertySheet(108, "Properties", s) {
//           AddPage(&m_general);
//           AddPage(&m_chart);
//       }
//       GeneralPage m_general{services()};
//       ChartPage m_chart{services()};
//   };
//   ItemSheet sheet(services);
//   sheet.m_general.m_strName = item.name;
//   if (sheet.DoModal() == IDOK) item.name = sheet.m_general.m_strName;
//
// The sheet takes the size its pages ask for (the largest size hint, else size, of the pages whose
// controls exist, the start page's built first) but at least its minimum page size, and is not
// resizable unless a derived sheet says otherwise (fitWindow). A page whose controls are built on
// its first activation and need more grows the sheet then. The active page follows the tab
// widget's page area, or in a wizard the space above the separator line.

#include "framework/Dialog.h"

#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

class PropertyPage;
class QFrame;
class QPushButton;
class QTabWidget;

// Header flags (m_psh.dwFlags).
inline constexpr unsigned PSH_WIZARD = 0x20;
inline constexpr unsigned PSH_NOAPPLYNOW = 0x80;
inline constexpr unsigned PSH_HASHELP = 0x200;

// Wizard buttons (SetWizardButtons).
inline constexpr unsigned PSWIZB_BACK = 0x1;
inline constexpr unsigned PSWIZB_NEXT = 0x2;
inline constexpr unsigned PSWIZB_FINISH = 0x4;
inline constexpr unsigned PSWIZB_DISABLEDFINISH = 0x8;

// The sheet's controls.
inline constexpr unsigned IDHELP = 9;
inline constexpr unsigned IDC_TAB_CONTROL = 0x3020;
inline constexpr unsigned ID_APPLY_NOW = 0x3021;
inline constexpr unsigned ID_WIZBACK = 0x3023;
inline constexpr unsigned ID_WIZNEXT = 0x3024;
inline constexpr unsigned ID_WIZFINISH = 0x3025;
inline constexpr unsigned ID_WIZLINE = 0x3026;

class PropertySheet : public Dialog {
public:
    // The sheet "dlg_<resourceId>" titled `caption`, on page `selectPage` first.
    PropertySheet(unsigned resourceId, const QString& caption, Services services, QWidget* parent = nullptr,
                  int selectPage = 0);
    ~PropertySheet() override;

    struct Header {
        unsigned dwFlags = 0;
        int nStartPage = 0;
    } m_psh;

    // --- pages ---
    void AddPage(PropertyPage* page);
    // Takes the page out of the sheet (an active page first gives way to a neighbour); the page
    // keeps its controls and values.
    void RemovePage(PropertyPage* page);
    void RemovePage(int index);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    PropertyPage* GetPage(int index) const;
    int GetPageIndex(const PropertyPage* page) const;
    PropertyPage* GetActivePage() const { return GetPage(m_nActive); }
    int GetActiveIndex() const { return m_nActive; }
    // Shows page `index` once the active page let go and the new one accepted; false otherwise.
    bool SetActivePage(int index);
    bool SetActivePage(PropertyPage* page);

    // The smallest page area, room for pages not yet built; set before the window exists.
    void SetMinimumPageSize(const QSize& size) { m_sizeMinPage = size; }

    void SetTitle(const QString& title) { setWindowTitle(title); }
    // Null until the window exists.
    QTabWidget* GetTabControl() const { return m_pTab; }
    // The tab widget's page area for a tab widget at `rect` (false), or the rectangle a tab widget
    // needs for a page area `rect` (true); the sheet's coordinates.
    QRect AdjustTabRect(bool larger, const QRect& rect) const;

    // --- wizard ---
    void SetWizardMode() { m_psh.dwFlags |= PSH_WIZARD; }
    bool IsWizard() const { return (m_psh.dwFlags & PSH_WIZARD) != 0; }
    // Which of Back, Next and Finish can be pressed (PSWIZB_*); Finish takes Next's place.
    void SetWizardButtons(unsigned flags);

    // Whether the sheet's window exists (from the start of its initialisation).
    bool windowCreated() const { return m_bWindowCreated; }

    // OK: the active page lets go and every created page applies, then the sheet ends with IDOK.
    void OnOK() override;
    // Cancel: the active page agrees, every created page resets, the sheet ends with IDCANCEL.
    void OnCancel() override;
    // Apply: as OK without ending; the pages are unmodified afterwards. False when a page refused.
    bool OnApplyNow();

protected:
    // Builds the tabs, buttons and size of the sheet and activates the start page.
    bool OnInitDialog() override;
    // Lets every page go at once, tabs untouched; for a sheet about to be destroyed whose pages
    // die before it (its members), which spares removing them one by one.
    void ReleasePages();
    // Where the active page lies, in the sheet's coordinates.
    virtual QRect pageArea() const;
    // A page left the sheet (removed or destroyed).
    virtual void OnPageRemoved(PropertyPage* page);
    // A page was added while the window exists.
    virtual void OnPageAdded(PropertyPage* page);
    // Page `index` became the active page.
    virtual void OnPageActivated(int index);
    // Gives the sheet the size its controls need; the base fixes it at that size.
    virtual void fitWindow(const QSize& size);
    // Ctrl+Tab / Ctrl+PageDown (forward) and Ctrl+Shift+Tab / Ctrl+Shift+PageDown / Ctrl+PageUp
    // (back), wherever the focus lies in the sheet (not in a wizard): the next or previous page,
    // around at the ends, once the active page lets go. A sheet that orders its pages otherwise
    // (a page tree) takes these keys itself.
    void stepPage(bool forward);
    // Places the active page into pageArea().
    void placeActivePage();
    // Sizes the sheet for its pages, tabs and buttons again (after the tabs changed).
    void arrangeWindow();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class PropertyPage;

    void buildWindow(int startPage);
    // The room `page` asks for: its size hint, else its size, at least its minimum sizes.
    static QSize pageNeeds(const PropertyPage* page);
    QPushButton* addButton(unsigned id, const QString& text);
    // Activates page `index`, asking the active page to let go when `validate`.
    bool activate(int index, bool validate);
    // The active page lets go, then every created page applies.
    bool commitPages();
    void onTabChanged(int index);
    void selectTab(int index);
    void pageModifiedChanged();
    void pageDestroyed(PropertyPage* page);
    void removeAt(int index, bool pageAlive);
    int indexOfTemplate(unsigned templateId) const;
    void wizardBack();
    void wizardNext();
    void wizardFinish();
    void help();

    std::vector<PropertyPage*> m_pages;
    int m_nActive = -1;
    bool m_bWindowCreated = false;
    bool m_bSyncingTab = false;
    unsigned m_nWizardButtons = PSWIZB_BACK | PSWIZB_NEXT;
    QTabWidget* m_pTab = nullptr;
    QPushButton* m_pApply = nullptr;
    QPushButton* m_pBack = nullptr;
    QPushButton* m_pNext = nullptr;
    QPushButton* m_pFinish = nullptr;
    QFrame* m_pLine = nullptr;
    std::vector<QPushButton*> m_buttonRow; // left to right
    QSize m_sizePage;
    QSize m_sizeMinPage{0, 0};
    QRect m_rcWizardPage;
};
