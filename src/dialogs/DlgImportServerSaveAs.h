#pragma once
// "Save Import Server Template As...": the name under which the import page's settings are
// stored. The list offers the stored templates' names; any other may be typed. The caller reads
// m_strSaveName after IDOK; OK waits for a name that is not blank.

#include "framework/Dialog.h"

#include <string>

class QComboBox;

class CDlgImportServerSaveAs : public Dialog {
public:
    explicit CDlgImportServerSaveAs(Services services, QWidget* parent = nullptr);

    QComboBox* m_cbName = nullptr;
    std::string m_strSaveName;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;

private:
    void updateOk();
};
