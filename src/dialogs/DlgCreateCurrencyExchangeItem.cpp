#include "dialogs/DlgCreateCurrencyExchangeItem.h"

#include "dialogs/CurrencyTable.h"
#include "dialogs/DialogParts.h"
#include "dialogs/ItemSheetIds.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

DlgCreateCurrencyExchangeItem::DlgCreateCurrencyExchangeItem(Services services, QWidget* parent)
    : Dialog(IDD_CREATE_EXCHANGE_ITEM, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Currency exchange rate"));
    auto* layout = new QVBoxLayout(this);
    m_cbFromCurrency = withId(new QComboBox, IDC_CUR_FROM);
    m_cbToCurrency = withId(new QComboBox, IDC_CUR_TO);
    for (QComboBox* combo : {m_cbFromCurrency, m_cbToCurrency})
        combo->setMaxVisibleItems(20);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Create currency exchange rate item for converting:")), 0, 0, 1, 2);
    grid->addWidget(m_cbFromCurrency, 1, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("into")), 2, 0);
    grid->addWidget(m_cbToCurrency, 3, 0, 1, 2);
    layout->addLayout(grid);
    auto* note = withId(
        new QLabel(QStringLiteral("(by default exchange rates will be downloaded from the server \"Yahoo Currencies\")")),
        IDC_CUR_NOTE2);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addLayout(okCancelRow(*this));
}

void DlgCreateCurrencyExchangeItem::DoDataExchange(DataExchange& dx) {
    DDX_CBString(dx, IDC_CUR_FROM, m_strFromCurrency);
    DDX_CBString(dx, IDC_CUR_TO, m_strToCurrency);
}

bool DlgCreateCurrencyExchangeItem::OnInitDialog() {
    Dialog::OnInitDialog();
    FillCurrencyLists();
    return true;
}

void DlgCreateCurrencyExchangeItem::FillCurrencyLists() {
    m_cbFromCurrency->clear();
    m_cbToCurrency->clear();
    for (std::string_view currency : kCurrencyTable) {
        m_cbFromCurrency->addItem(toQString(currency));
        m_cbToCurrency->addItem(toQString(currency));
    }
    m_cbFromCurrency->setCurrentIndex(m_cbFromCurrency->findText(toQString(kDefaultFromCurrency)));
    m_cbToCurrency->setCurrentIndex(m_cbToCurrency->findText(toQString(kDefaultToCurrency)));
}
