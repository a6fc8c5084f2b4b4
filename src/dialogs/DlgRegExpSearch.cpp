#include "dialogs/DlgRegExpSearch.h"

#include "dialogs/DialogIds.h"
#include "dialogs/DlgPageDownload.h"
#include "framework/StringTable.h"
#include "log/Log.h"
#include "platform/TextCodec.h"
#include "portfolio/Kurs.h"
#include "retrieval/PlaceHolders.h"
#include "retrieval/filtering.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>
#include <charconv>

namespace {

constexpr DialogTip kTips[] = {{IDC_REGEXP, kRegExpTipText}};
constexpr DialogTipTable kTipTable = {true, 30000, kTips, std::size(kTips)};

// "%.4lf", whatever the process locale.
std::string fourDecimals(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 4);
    if (result.ec != std::errc())
        return textcodec::formatText("%.4e", value);
    return std::string(buffer.data(), result.ptr);
}

std::string integerText(int value) {
    return std::to_string(value);
}

QLineEdit* resultField(unsigned id) {
    auto* field = Dialog::withId(new QLineEdit, id);
    field->setReadOnly(true);
    field->setMinimumWidth(90);
    return field;
}

} // namespace

const DialogTipTable& CDlgRegExpSearch::Tips() {
    return kTipTable;
}

CDlgRegExpSearch::CDlgRegExpSearch(Services services, QWidget* parent)
    : Dialog(IDD_REGEXP_SEARCH, std::move(services), parent), m_ToolTip(LinkServices::of(Dialog::services())) {
    auto* rules = new QGroupBox(QStringLiteral("Quotation Extraction Rules"));
    auto* grid = new QGridLayout(rules);

    m_editRegExp = withId(new QLineEdit, IDC_REGEXP);
    auto* search = withId(new QPushButton(QStringLiteral("Search")), IDC_SEARCH);
    search->setDefault(true); // Return in the expression or a list searches
    auto* expressionLabel = new QLabel(QStringLiteral("Regular Expression:"));
    expressionLabel->setBuddy(m_editRegExp);
    grid->addWidget(expressionLabel, 0, 0);
    grid->addWidget(m_editRegExp, 0, 1, 1, 5);
    grid->addWidget(search, 0, 6);

    auto* match = resultField(IDC_RESULT_MATCH);
    grid->addWidget(new QLabel(QStringLiteral("Match:")), 1, 0);
    grid->addWidget(match, 1, 1, 1, 6);

    struct Field {
        const char* label;
        unsigned id;
        int row;
        int column;
    };
    const Field fields[] = {
        {"Quotation Last/Close:", IDC_RESULT_CLOSE, 2, 0},
        {"Day:", IDC_RESULT_DAY, 2, 2},
        {"Hour:", IDC_RESULT_HOUR, 2, 4},
        {"Quotation Open:", IDC_RESULT_OPEN, 3, 0},
        {"Month:", IDC_RESULT_MONTH, 3, 2},
        {"Minute:", IDC_RESULT_MINUTE, 3, 4},
        {"Quotation High:", IDC_RESULT_HIGH, 4, 0},
        {"Year:", IDC_RESULT_YEAR, 4, 2},
        {"Quotation Low:", IDC_RESULT_LOW, 5, 0},
        {"Volume:", IDC_RESULT_VOLUME, 5, 2},
    };
    for (const Field& f : fields) {
        grid->addWidget(new QLabel(QString::fromUtf8(f.label)), f.row, f.column);
        grid->addWidget(resultField(f.id), f.row, f.column + 1);
    }
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);

    m_cbPageFormat = withId(new QComboBox, IDC_PAGE_FORMAT);
    for (const char* name : kPageFormNames)
        m_cbPageFormat->addItem(QString::fromUtf8(name));
    auto* formatRow = new QHBoxLayout;
    auto* formatLabel = new QLabel(QStringLiteral("Web page format:"));
    formatLabel->setBuddy(m_cbPageFormat);
    formatRow->addWidget(formatLabel);
    formatRow->addWidget(m_cbPageFormat);
    formatRow->addWidget(new QLabel(QStringLiteral("(standard = convert to semi-html)")));
    formatRow->addStretch(1);

    m_view = makePageView(IDC_PAGE_DISPLAY);

    auto* ok = withId(new QPushButton(QStringLiteral("OK")), IDOK);
    auto* cancel = withId(new QPushButton(QStringLiteral("Cancel")), IDCANCEL);
    for (QPushButton* button : {ok, cancel})
        button->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rules);
    layout->addLayout(formatRow);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);
    resize(820, 620);

    connect(search, &QPushButton::clicked, this, [this] { OnSearch(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // The user's choice only: loading the controls never counts as one.
    connect(m_cbPageFormat, &QComboBox::activated, this, [this](int) { OnPageFormatChange(); });
    connect(m_editRegExp, &QLineEdit::textEdited, this, [this](const QString&) { OnRegExpChange(); });
}

CDlgRegExpSearch::~CDlgRegExpSearch() = default;

void CDlgRegExpSearch::DoDataExchange(DataExchange& dx) {
    DDX_CBIndex(dx, IDC_PAGE_FORMAT, m_nPageFormat);
    DDX_Text(dx, IDC_REGEXP, m_strRegExp);
    DDX_Text(dx, IDC_RESULT_CLOSE, m_strClose);
    DDX_Text(dx, IDC_RESULT_DAY, m_strDay);
    DDX_Text(dx, IDC_RESULT_MONTH, m_strMonth);
    DDX_Text(dx, IDC_RESULT_YEAR, m_strYear);
    DDX_Text(dx, IDC_RESULT_HOUR, m_strHour);
    DDX_Text(dx, IDC_RESULT_MINUTE, m_strMinute);
    DDX_Text(dx, IDC_RESULT_MATCH, m_strMatch);
    DDX_Text(dx, IDC_RESULT_OPEN, m_strOpen);
    DDX_Text(dx, IDC_RESULT_HIGH, m_strHigh);
    DDX_Text(dx, IDC_RESULT_LOW, m_strLow);
    DDX_Text(dx, IDC_RESULT_VOLUME, m_strVolume);
}

bool CDlgRegExpSearch::OnInitDialog() {
    m_bInitialising = 1;
    Dialog::OnInitDialog();
    const std::string& shown = ShownConfigurationName(m_strTemplateName, m_strItemName);
    setWindowTitle(QString::fromStdString(textcodec::formatText("Regular Expression Test - [%s]", shown.c_str())));
    InstallDialogTips(m_ToolTip, *this, Tips());
    // Each form is read on its own; one that fails is reported and stays empty.
    m_pages.read({m_strRawFile, m_strSemiHtmlFile, m_strTextFile}, *services().boxes);
    m_pages.show(*m_view, m_nPageFormat);
    m_bInitialising = 0;
    return true;
}

void CDlgRegExpSearch::resetValueFields() {
    for (std::string* field : {&m_strOpen, &m_strClose, &m_strHigh, &m_strLow, &m_strVolume, &m_strDay, &m_strMonth,
                               &m_strYear, &m_strHour, &m_strMinute})
        *field = "--";
}

RegExpSearchOutcome SearchLongestMatch(std::string_view page, std::string expression, std::string_view name,
                                       std::string_view symbol, std::string_view decimal, std::string_view thousands,
                                       const OleDate& now) {
    RegExpSearchOutcome outcome;
    bool firstTry = true;
    while (!expression.empty()) {
        ++outcome.tries;
        std::string pattern;
        ReplaceNameSymbolAsLiteral(expression, pattern, name, symbol);
        RegExpGroupIndexes groups;
        RegExpExpandPlaceHolders(pattern, groups, decimal, thousands);
        CVR_LOG(LOG_LEVEL_INFO, "Searching for RegExp: \"%s\"...", pattern.c_str());

        CKurs quotation;
        quotation.m_dtDate = now;
        int code = 0;
        std::string message;
        int start = 0;
        int length = 0;
        if (RegExpGetQuotation(page, quotation, pattern, groups, false, false, start, length, thousands, decimal, code,
                               message)) {
            const std::size_t from = std::min(static_cast<std::size_t>(std::max(start, 0)), page.size());
            const std::string part(page.substr(from, static_cast<std::size_t>(std::max(length, 0))));
            CVR_LOG(LOG_LEVEL_INFO, "Match: \"%s\"", part.c_str());
            outcome.matched = true;
            outcome.matchedPattern = expression;
            outcome.matchStart = start;
            outcome.matchLength = length;
            outcome.groups = groups;
            outcome.hasDate = groups.m_nDayIndex >= 0 && groups.m_nMonthIndex >= 0;
            outcome.hasTime = groups.m_nHourIndex >= 0 && groups.m_nMinuteIndex >= 0;
            OleDate& date = quotation.m_dtDate;
            // A quotation of another day without a time counts as of 20:00 that day.
            if (outcome.hasDate && !outcome.hasTime &&
                (date.GetDay() != now.GetDay() || date.GetMonth() != now.GetMonth() || date.GetYear() != now.GetYear()))
                date = OleDate(date.GetYear(), date.GetMonth(), date.GetDay(), 20, 0, 0);
            outcome.quotation = quotation;
            return outcome;
        }
        if (code != EXTRACT_NOT_FOUND && firstTry) {
            CVR_LOG(LOG_LEVEL_INFO, "No match found! error = %i. %s", code, message.c_str());
            outcome.errorCode = code;
            outcome.errorMessage = message;
            return outcome;
        }
        // The longest leading part that matches: one byte less each time.
        expression.pop_back();
        firstTry = false;
    }
    return outcome;
}

void CDlgRegExpSearch::OnSearch() {
    if (!UpdateData(true))
        return;
    const int form = m_nPageFormat;
    if (!m_pages.loaded(form)) {
        services().boxes->messageBox(kCouldNotOpenText, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    resetValueFields(); // Match keeps its text
    const OleDate now = services().localNow();
    const RegExpSearchOutcome found = SearchLongestMatch(m_pages.bytes(form), m_strRegExp, m_strItemName,
                                                         m_strItemSymbol, m_strDecimalSep, m_strThousandsSep, now);
    if (found.errorCode != 0) {
        m_strMatch = found.errorMessage;
    } else if (found.matched) {
        const RegExpGroupIndexes& groups = found.groups;
        const CKurs& quotation = found.quotation;
        const OleDate& date = quotation.m_dtDate;
        const auto value = [](int group, double v) { return group >= 0 ? fourDecimals(v) : std::string("--"); };
        m_strOpen = value(groups.m_nOpenIndex, quotation.m_dOpen);
        m_strClose = value(groups.m_nCloseIndex, quotation.m_dClose);
        m_strHigh = value(groups.m_nHighIndex, quotation.m_dHigh);
        m_strLow = value(groups.m_nLowIndex, quotation.m_dLow);
        m_strVolume = value(groups.m_nVolumeIndex, quotation.m_dVolume);
        m_strDay = found.hasDate ? integerText(date.GetDay()) : "--";
        m_strMonth = found.hasDate ? integerText(date.GetMonth()) : "--";
        m_strYear = found.hasDate ? integerText(date.GetYear()) : "--";
        // The time shows whenever the quotation has one: its own, 20:00 or the current one.
        const bool showTime = found.hasTime || found.hasDate;
        m_strHour = showTime ? integerText(date.GetHour()) : "--";
        m_strMinute = showTime ? integerText(date.GetMinute()) : "--";
        CVR_LOG(LOG_LEVEL_INFO, "Quotation=%s; Day=%s; Month=%s; Year=%s; Hour=%s; Minute=%s.", m_strClose.c_str(),
                m_strDay.c_str(), m_strMonth.c_str(), m_strYear.c_str(), m_strHour.c_str(), m_strMinute.c_str());
        if (found.matchLength > 0) {
            m_pages.select(*m_view, form, static_cast<std::size_t>(found.matchStart),
                           static_cast<std::size_t>(found.matchLength));
            m_strMatch = found.matchedPattern;
        }
    }
    UpdateData(false);
}

void CDlgRegExpSearch::OnPageFormatChange() {
    UpdateData(true);
    m_pages.show(*m_view, m_nPageFormat);
    m_view->viewport()->repaint();
    OnRegExpChange();
}

void CDlgRegExpSearch::OnRegExpChange() {
    if (m_bInitialising)
        return;
    UpdateData(true);
    resetValueFields();
    m_strMatch = "--";
    UpdateData(false);
}
