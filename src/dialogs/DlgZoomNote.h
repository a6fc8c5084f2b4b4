#pragma once
// "Note" (167): an item's note in a large edit field, opened from the General page's note button.
// The caller sets m_strNote (the item's form, "\r\n" line ends), runs DoModal and reads m_strNote
// after IDOK; Enter starts a new line.

#include "framework/Dialog.h"

#include <string>

class CDlgZoomNote : public Dialog {
public:
    explicit CDlgZoomNote(Services services, QWidget* parent = nullptr);

    std::string m_strNote;

protected:
    void DoDataExchange(DataExchange& dx) override;
};
