#include "dialogs/DlgImportLogic.h"

#include "platform/TextCodec.h"
#include "portfolio/PortfolioText.h"
#include "retrieval/ServerConfigStore.h"

#include <algorithm>
#include <system_error>

FileDialogRequest ImportFileRequest(const std::string& currentPath) {
    FileDialogRequest request;
    request.initial = currentPath;
    request.filters = {{"All Files (*.*)", "*"}};
    return request;
}

// --- Templates ---------------------------------------------------------------------------------

std::vector<std::string> ImportTemplateChoices(std::vector<std::string> storedNames) {
    storedNames.emplace_back(kImportTemplateNew);
    std::stable_sort(storedNames.begin(), storedNames.end(),
                     [](const std::string& a, const std::string& b) { return compareNoCase(a, b) < 0; });
    return storedNames;
}

std::string SelectImportTemplate(std::span<const std::string> choices, std::string_view wanted) {
    for (const std::string& choice : choices)
        if (textcodec::startsWithIgnoringAsciiCase(choice, wanted))
            return choice;
    return kImportTemplateNew;
}

std::string ImportTemplateInfo(std::string_view templateName, std::string_view symbolInfo) {
    if (templateName == kImportTemplateNew || symbolInfo.empty())
        return {};
    return "For server \"" + std::string(templateName) + "\" " + std::string(symbolInfo);
}

bool ImportTemplateDeletable(std::string_view templateName) {
    return !templateName.empty() && templateName != kImportTemplateLocalFile && templateName != kImportTemplateNew;
}

bool SaveImportTemplate(std::string_view name, ImportPageValues& page, SettingsStore& store) {
    if (name.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos)
        return false;
    ImportServerSettings record;
    record.m_strName = std::string(name);
    record.m_strURL = page.m_strUrl;
    record.m_strThousands = page.m_strThousandsSep;
    record.m_strDecimal = page.m_strDecimalSep;
    record.m_nFormat = page.m_nConversion;
    record.m_bNoCaseSensitive = page.m_bCaseInsensitive;
    record.m_strRegExp = page.m_strDataFormat;
    if (!SaveImportServerSettings(record.m_strName, &record, store))
        return false;
    page.m_strTemplateName = record.m_strName;
    return true;
}

bool DeleteImportTemplate(const ImportPageValues& page, SettingsStore& store) {
    if (!ImportTemplateDeletable(page.m_strTemplateName))
        return false;
    DeleteImportServerSettings(page.m_strTemplateName, store);
    return true;
}

// --- Separators --------------------------------------------------------------------------------

int FindImportSeparatorChoice(std::string_view thousands, std::string_view decimal) {
    for (std::size_t i = 0; i < kImportSeparatorChoices.size(); ++i)
        if (thousands == kImportSeparatorChoices[i].thousands && decimal == kImportSeparatorChoices[i].decimal)
            return static_cast<int>(i);
    return -1;
}

void ImportSeparatorsOfChoice(int choice, std::string& thousands, std::string& decimal) {
    if (choice < 0 || choice >= static_cast<int>(kImportSeparatorChoices.size())) {
        thousands.clear();
        decimal = ",";
        return;
    }
    thousands = kImportSeparatorChoices[static_cast<std::size_t>(choice)].thousands;
    decimal = kImportSeparatorChoices[static_cast<std::size_t>(choice)].decimal;
}

// --- Viewing a downloaded file -----------------------------------------------------------------

std::optional<std::filesystem::path> RenameImportFileExtension(const std::filesystem::path& file,
                                                               std::string_view extension) {
    if (textcodec::equalsIgnoringAsciiCase(file.filename().extension().string(), extension))
        return file;
    std::filesystem::path target = file;
    target.replace_extension(std::string(extension));
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return std::nullopt;
    std::filesystem::remove(target, ec);
    std::filesystem::rename(file, target, ec);
    if (ec)
        return std::nullopt;
    return target;
}

std::filesystem::path PrepareImportFileForViewer(ImportPageValues& page, ImportPageFiles& files,
                                                 std::string_view extension) {
    if (page.m_strImportFile.empty())
        return {};
    const auto renamed = RenameImportFileExtension(page.m_strImportFile, extension);
    if (!renamed)
        return {};
    page.m_strImportFile = renamed->string();
    files.forConversion(page.m_nConversion) = page.m_strImportFile;
    return *renamed;
}

// --- Import interval question ------------------------------------------------------------------

ImportIntervalValues ImportIntervalValuesOf(const ImportIntervalQuestion& question) {
    ImportIntervalValues values;
    values.m_strItemName = question.itemName;
    values.m_strQuotations = question.summary;
    values.m_dtBegin = question.begin;
    values.m_dtEnd = question.end;
    values.m_strFound = question.countLine;
    return values;
}

void ApplyImportInterval(const ImportIntervalValues& values, ImportIntervalQuestion& question) {
    question.begin = values.m_dtBegin;
    question.end = values.m_dtEnd;
}
