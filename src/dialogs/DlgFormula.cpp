#include "dialogs/DlgFormula.h"

#include "dialogs/DialogParts.h"
#include "dialogs/ImportDialogIds.h"
#include "dialogs/QuotationDlgLogic.h"
#include "portfolio/WPapierItem.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

// The quotations of both range lists, oldest first. An entry's text is made when a list asks for
// it -- the shown entries and the few the drop-down lays out -- so an item of 100,000 quotations
// opens the dialog without formatting them all.
class QuotationRangeModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void setQuotations(std::vector<CKurs> quotations) {
        beginResetModel();
        m_quotations = std::move(quotations);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_quotations.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return toQString(FormulaRangeEntry(m_quotations[static_cast<std::size_t>(index.row())]));
    }

private:
    std::vector<CKurs> m_quotations;
};

namespace {

// A range list over the shared model: it never measures 100,000 entries to size itself, and its
// drop-down lays out rows of one height.
QComboBox* makeRangeList(unsigned id, QuotationRangeModel* model) {
    auto* list = Dialog::withId(new QComboBox, id);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(34);
    if (auto* view = qobject_cast<QListView*>(list->view()))
        view->setUniformItemSizes(true);
    list->setModel(model);
    return list;
}

} // namespace

CDlgFormula::CDlgFormula(Services services, QWidget* parent) : Dialog(IDD_FORMULA, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Apply formula"));
    m_quotations = new QuotationRangeModel(this);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_cbFirst = makeRangeList(IDC_FORMULA_FIRST, m_quotations);
    m_cbLast = makeRangeList(IDC_FORMULA_LAST, m_quotations);
    m_cbFormula = withId(new QComboBox, IDC_FORMULA);
    m_cbFormula->setEditable(true);
    m_cbFormula->setInsertPolicy(QComboBox::NoInsert);
    grid->addWidget(new QLabel(QStringLiteral("Apply formula starting at:")), 0, 0);
    grid->addWidget(m_cbFirst, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("until:")), 1, 0);
    grid->addWidget(m_cbLast, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("f(x) =")), 2, 0);
    grid->addWidget(m_cbFormula, 2, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addWidget(new QLabel(QStringLiteral(
        "Note: use e.g. f(x) = x/2 for a stock split, or\nf(x) = 1/x for inverting currency exchange rates.")));
    layout->addLayout(okCancelRow(*this));

    connect(m_cbFirst, &QComboBox::activated, this, [this] { updateOk(); });
    connect(m_cbLast, &QComboBox::activated, this, [this] { updateOk(); });
}

void CDlgFormula::DoDataExchange(DataExchange& dx) {
    DDX_CBString(dx, IDC_FORMULA, m_strFormula);
    DDX_CBIndex(dx, IDC_FORMULA_FIRST, m_nFirst);
    DDX_CBIndex(dx, IDC_FORMULA_LAST, m_nLast);
}

bool CDlgFormula::OnInitDialog() {
    Dialog::OnInitDialog();
    if (m_pItem)
        setWindowTitle(toQString(FormulaCaption(m_pItem->m_strName)));
    FillLists();
    return true;
}

void CDlgFormula::FillLists() {
    m_quotations->setQuotations(m_pItem ? m_pItem->GetQuotationListCopy() : std::vector<CKurs>{});
    const int count = m_quotations->rowCount();
    m_cbFirst->setCurrentIndex(m_nFirst < count ? m_nFirst : -1);
    m_cbLast->setCurrentIndex(m_nLast < count ? m_nLast : -1);

    m_cbFormula->clear();
    for (const char* preset : kFormulaPresets)
        m_cbFormula->addItem(QString::fromLatin1(preset));
    m_cbFormula->setCurrentIndex(0);
    updateOk();
}

void CDlgFormula::updateOk() {
    control<QPushButton>(IDOK)->setEnabled(FormulaRangeValid(m_cbFirst->currentIndex(), m_cbLast->currentIndex()));
}
