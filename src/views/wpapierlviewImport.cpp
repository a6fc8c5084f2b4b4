#include "views/wpapierlviewImport.h"

#include "dialogs/DlgImport.h"
#include "dialogs/DlgImportSource.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/ServerConfigStore.h"

std::vector<ItemPos> ImportItems(const CWPapierDoc& doc, std::span<const ItemPos> selected) {
    std::vector<ItemPos> items;
    const CWPapierDoc::ListLock lock(doc);
    for (const ItemPos pos : selected) {
        const CWPapier* item = doc.GetItem(pos);
        if (!item || item->m_bCashAccount)
            continue;
        if (item->m_bInvestmentHistory && selected.size() >= 3)
            continue;
        items.push_back(pos);
    }
    return items;
}

bool ImportCommandEnabled(const CWPapierDoc& doc, std::span<const ItemPos> selected) {
    const CWPapierDoc::ListLock lock(doc);
    for (const ItemPos pos : selected)
        if (const CWPapier* item = doc.GetItem(pos); item && !item->m_bCashAccount)
            return true;
    return false;
}

std::string ImportSourceTitle(std::string_view itemName) {
    return "Import historical quotations for \"" + std::string(itemName) + "\"";
}

void PresetImportSource(ImportSourceValues& source, const OleDate& now) {
    source.m_dtBegin = now - OleDateSpan(30LL, 0, 0, 0);
    source.m_dtEnd = now;
    source.m_strTemplate = kInitialImportTemplate;
}

void PrepareImportPage(const ImportSourceValues& source, ImportPageValues& page, const SettingsStore& store) {
    if (source.m_nSource == 1) {
        page.m_strUrl = "file://" + source.m_strFilePath;
        page.m_strTemplateName = kImportTemplateLocalFile;
    } else {
        if (source.m_strTemplate != kImportTemplateNew) {
            ImportServerSettings stored;
            LoadImportServerSettings(source.m_strTemplate, &stored, store);
            page.m_strUrl = stored.m_strURL;
            page.m_nConversion = stored.m_nFormat;
            page.m_strDecimalSep = stored.m_strDecimal;
            page.m_strThousandsSep = stored.m_strThousands;
            page.m_bCaseInsensitive = stored.m_bNoCaseSensitive;
            page.m_strDataFormat = stored.m_strRegExp;
        }
        page.m_strTemplateName = source.m_strTemplate;
    }
    page.m_strTitle = source.m_strTitle;
    page.m_dtBegin = source.m_dtBegin;
    page.m_dtEnd = source.m_dtEnd;
    page.m_strSymbol = source.m_strSymbol;
    page.m_bFinish = source.m_bFinish;
}

QuotationImportRules ImportRulesOfPage(const ImportPageValues& page) {
    return MakeQuotationImportRules(page.m_strDataFormat, page.m_strSymbol, page.m_strThousandsSep,
                                    page.m_strDecimalSep, page.m_bCaseInsensitive != 0);
}

std::string ImportShownName(const ImportPageValues& page) {
    constexpr std::string_view kFileScheme = "file://";
    const std::string url = TrimImportUrl(page.m_strUrl);
    if (url.empty())
        return page.m_strImportFile;
    if (url.starts_with(kFileScheme) && url.size() > kFileScheme.size())
        return url.substr(kFileScheme.size());
    return url;
}

bool ImportFromImportPage(CWPapierDoc& doc, ItemPos pos, const ImportPageValues& page, ImportPageFiles& files) {
    OleDate from = page.m_dtBegin;
    OleDate to = page.m_dtEnd;
    const bool imported = ImportQuotationsFromFile(doc, pos, page.m_strImportFile, ImportRulesOfPage(page), from, to,
                                                   !page.m_bFinish, ImportShownName(page));
    files.deleteAll();
    return imported;
}

ImportWizardOutcome RunImportWizard(CWPapierDoc& doc, ItemPos pos, ImportWizardPages& pages, const Services& services,
                                    QWidget* parent) {
    for (;;) {
        std::string name;
        std::string symbol;
        {
            const CWPapierDoc::ListLock lock(doc);
            const CWPapier* item = doc.GetItem(pos);
            if (!item)
                return ImportWizardOutcome::Skipped;
            name = item->m_strName;
            symbol = item->m_strSymbol;
        }

        CDlgImportSource source(services, parent);
        static_cast<ImportSourceValues&>(source) = pages.source;
        source.m_strTitle = ImportSourceTitle(name);
        source.m_strSymbol = symbol;
        const int sourceResult = source.DoModal();
        pages.source = source;
        if (sourceResult != IDOK)
            return ImportWizardOutcome::Cancelled;

        PrepareImportPage(pages.source, pages.page, *services.settings);
        CDlgImport page(services, parent);
        static_cast<ImportPageValues&>(page) = pages.page;
        page.m_pDocument = &doc;
        const int pageResult = page.DoModal();
        pages.page = page;
        if (pageResult != IDOK) {
            page.files().deleteAll();
            if (pages.page.m_bBack)
                continue;
            return ImportWizardOutcome::Skipped;
        }
        if (ImportFromImportPage(doc, pos, pages.page, page.files()))
            return ImportWizardOutcome::Imported;
        // Declined or failed: the wizard again, with what the user chose.
    }
}

FileDialogRequest PortfolioExportRequest(const std::filesystem::path& documentPath, const std::string& documentTitle) {
    FileDialogRequest request;
    if (documentPath.empty()) {
        request.initial = documentTitle;
    } else {
        std::string name = documentPath.filename().string();
        if (name.size() >= 4 && name[name.size() - 4] == '.')
            name.resize(name.size() - 4);
        request.initial = documentPath.parent_path() / name;
    }
    request.filters = {{"Excel Files (*.xls)", "*.xls"}, {"Text Files (*.txt)", "*.txt"}};
    request.defaultExtension = "xls";
    return request;
}
