#pragma once
// The modal sheet "Program Options" (command 32810): the pages General, Connection and Advanced
// on a tabbed tree sheet, exchanging the program options of the application object. Number
// fields are line edits checked when the page is left (OK, another page), so a value out of its
// range is never clamped silently; their spin buttons step within the allowed range.

#include "app/OptionsValidation.h"
#include "controls/ResizablePage.h"
#include "controls/TreePropSheet.h"

#include <QWidget>

class CWPapierApp;
class QLineEdit;
class UpdateTimerSink;

// The sheet has no dialog template of its own: it is named after its command.
inline constexpr unsigned IDD_OPTIONS_SHEET = 32810;

// The controls of the pages.
namespace optionsids {
inline constexpr unsigned IDC_NUMBER_DOWNLOADS = IDC_OPT_NUMBER_DOWNLOADS; // 1132
inline constexpr unsigned IDC_NUMBER_DOWNLOADS_SPIN = 1095;
inline constexpr unsigned IDC_DOWNLOAD_STATUS = 1080;
inline constexpr unsigned IDC_SHOW_FILE_ON_ERROR = 1081;
inline constexpr unsigned IDC_AUTOUPDATE = 1083;
inline constexpr unsigned IDC_ONLY_BETWEEN = 1086;
inline constexpr unsigned IDC_START_TIME = 1123;
inline constexpr unsigned IDC_END_TIME = 1127;
inline constexpr unsigned IDC_UPDATE_INTERVAL = IDC_OPT_UPDATE_INTERVAL; // 1084
inline constexpr unsigned IDC_UPDATE_INTERVAL_SPIN = 1091;
inline constexpr unsigned IDC_DISABLE_INTRADAY = 1331;

inline constexpr unsigned IDC_STANDARD_PROXY = 1170;
inline constexpr unsigned IDC_OWN_PROXY = 1171;
inline constexpr unsigned IDC_PROXY_ADDRESS = 1172;
inline constexpr unsigned IDC_PROXY_PORT = IDC_OPT_PROXY_PORT; // 1173

inline constexpr unsigned IDC_CHECK_UP_TO_DATE = 1087;
inline constexpr unsigned IDC_AUTOSAVE_WINDOWS = 1085;
inline constexpr unsigned IDC_AUTOSAVE_ON_EXIT = 1082;
inline constexpr unsigned IDC_ZIP_FILE = 1088;
inline constexpr unsigned IDC_AUTO_CASH_TRANSACTIONS = 1089;
inline constexpr unsigned IDC_AUTOSAVE_AFTER_UPDATE = 1086;
} // namespace optionsids

// The up and down buttons beside a number edit: each click steps the edit's whole number by one
// within min..max (a text that is no whole number steps from the nearer end of the range).
class CSpinButtons : public QWidget {
    Q_OBJECT
public:
    CSpinButtons(QLineEdit* buddy, QWidget* parent = nullptr);
    void SetRange(int min, int max);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // One step up (+1) or down (-1).
    void step(int direction);

private:
    QLineEdit* m_buddy;
    int m_min = 0;
    int m_max = 100;
};

// The pages keep their values in the sheet's one OptionsPageValues.
class CPageOptGeneral : public CResizablePage {
public:
    CPageOptGeneral(Services services, OptionsPageValues& values);

    // Check 1083 clicked, check 1086 clicked.
    void OnAutoupdate();
    void OnOnlyBetween();

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;

private:
    void enableByChecks(bool autoupdate, bool onlyBetween);

    OptionsPageValues& m_values;
};

class CPageOptConnection : public CResizablePage {
public:
    CPageOptConnection(Services services, OptionsPageValues& values);

    // Radio 1170 clicked, radio 1171 clicked: the address and port edits follow; their contents stay.
    void OnStandardProxy();
    void OnOwnProxy();

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;

private:
    void enableProxyFields(bool enable);

    OptionsPageValues& m_values;
};

class CPageOptAdvanced : public CResizablePage {
public:
    CPageOptAdvanced(Services services, OptionsPageValues& values);

protected:
    void DoDataExchange(DataExchange& dx) override;

private:
    OptionsPageValues& m_values;
};

// The sheet with its three pages, tabs only and of fixed size, on page 0 first.
class COptionsSheet : public TreePropSheet::CTreePropSheetEx {
public:
    explicit COptionsSheet(Services services, QWidget* parent = nullptr);
    ~COptionsSheet() override;

    OptionsPageValues m_values;
    CPageOptGeneral m_pageGeneral;
    CPageOptConnection m_pageConnection;
    CPageOptAdvanced m_pageAdvanced;
};

// The frame's command 32810: copies the options of `app` into the sheet, runs it modally and, when
// it ends with OK, copies them back, saves them (which hands them to the workers too) and sets
// the update timer to the interval, or stops it when automatic updates are off. Any other end
// changes nothing. Returns how the sheet ended.
int RunOptionsSheet(CWPapierApp& app, const Services& services, QWidget* parent, UpdateTimerSink* timer);
