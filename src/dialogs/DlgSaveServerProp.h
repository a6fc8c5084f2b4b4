#pragma once
// The save dialog of the server configuration editor (163, "Server Configuration"): save the
// configuration as the item's own definition or as a named template, whose name is typed or picked
// from the stored ones.
//
//   CDlgSaveServerProp save(services, this);
//   save.m_strSaveName = templateName;   // empty for the item's own definition
//   if (save.DoModal() == IDOK) ... save.m_strSaveName (string 40035 for the item's own definition)

#include "framework/Dialog.h"

#include <string>

class CDlgSaveServerProp : public Dialog {
public:
    explicit CDlgSaveServerProp(Services services, QWidget* parent = nullptr);
    ~CDlgSaveServerProp() override;

    int m_nSaveAs = 0;         // radios 1317/1318: 0 item-specific, 1 template
    std::string m_strSaveName; // combo 1074

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
};

// Told when a template is to be saved under an empty name.
inline constexpr const char* kEnterTemplateNameText = "Please enter a name for the template configuration.";
