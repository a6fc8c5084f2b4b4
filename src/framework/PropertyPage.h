#pragma once
// A page of a property sheet (PropertySheet.h): a Dialog named "dlg_<template id>" that the sheet
// shows in its page area, its tab text the caption. It lives as long as its owner (usually the
// sheet, as a member). It is created -- placed into the sheet, its controls built by BuildControls
// and initialised by OnInitDialog, which loads them -- the first time it becomes active; a page
// that never does has no controls, is never initialised and takes no part in OK or Cancel. (A page
// may also build its controls in its constructor, as other dialogs do; BuildControls then does
// nothing.)
//
// The sheet drives its pages by this protocol:
//   OnSetActive      the page becomes active; the base loads the controls from the members (the
//                    first time OnInitDialog did). false: the page is not shown.
//   OnKillActive     the page is about to be left (for another page, OK or Apply); the base saves
//                    the controls into the members, and a refused value (false) keeps the page.
//   OnApply          OK or Apply, to every created page once the active one let go; the base runs
//                    OnOK and answers true. false makes that page active and keeps the sheet open.
//   OnOK, OnCancel   nothing in the base: a page ends nothing.
//   OnQueryCancel    Cancel asks the active page first; false keeps the sheet open.
//   OnReset          Cancel, to every created page; the base runs OnCancel.
//   OnWizardBack, OnWizardNext   in a wizard: -1 stays, 0 goes to the page before or after, any
//                    other value to the page of that template id. OnWizardFinish: true ends it.
//   OnHelpInfo       a help request for the page (F1 where the sheet forwards it, the Help
//                    button); false when the page has no help.
// SetModified(true) enables the sheet's Apply button until the next Apply.
//
//   class GeneralPage : public PropertyPage {
//   public:
//       explicit GeneralPage(Services s) : PropertyPage(IDD_GENERAL, std::move(s), IDS_GENERAL) {}
//       std::string m_strName;
//   protected:
//       void BuildControls() override {
//           auto* layout = new QFormLayout(this);
//           layout->addRow("Name:", withId(new QLineEdit, IDC_NAME));
//       }
//       void DoDataExchange(DataExchange& dx) override { DDX_Text(dx, IDC_NAME, m_strName); }
//   };

#include "framework/Dialog.h"

#include <QIcon>
#include <QString>

class PropertySheet;

class PropertyPage : public Dialog {
public:
    // The caption is string `captionId`; without one, the window title.
    PropertyPage(unsigned templateId, Services services, unsigned captionId = 0);
    ~PropertyPage() override;

    QString GetCaption() const;
    // The page's icon; a page without one shows none.
    void SetIcon(const QIcon& icon);
    const QIcon& GetIcon() const { return m_icon; }
    bool HasIcon() const { return m_bHasIcon; }

    // Marks the page changed (enabling the sheet's Apply) or unchanged.
    void SetModified(bool changed = true);
    bool IsModified() const { return m_bModified; }

    // The sheet the page was added to; null when none.
    PropertySheet* GetSheet() const { return m_pSheet; }
    // Whether the page has been created (it became active once).
    bool IsCreated() const { return m_bCreated; }
    // Whether the page's controls exist (built on its first activation, or in its constructor).
    bool HasControls() const;
    // Builds the controls unless they were built (the sheet does so on the first activation; a
    // page used on its own calls it); true when they were built now.
    bool EnsureControls();

    virtual bool OnSetActive();
    virtual bool OnKillActive();
    virtual bool OnApply();
    void OnOK() override;
    void OnCancel() override;
    virtual bool OnQueryCancel();
    virtual void OnReset();
    virtual int OnWizardBack();
    virtual int OnWizardNext();
    virtual bool OnWizardFinish();
    virtual bool OnHelpInfo();

    // A page is a part of its sheet's window, never a window of its own.
    void setVisible(bool visible) override;

protected:
    // Builds the page's controls, once, as the page is first activated; the base builds none.
    virtual void BuildControls();
    void showEvent(QShowEvent* event) override;
    // Return, Enter and Escape belong to the sheet (its default button, its Cancel).
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class PropertySheet;
    // The sheet creates the page as it first activates it.
    void Create(PropertySheet* sheet);

    unsigned m_captionId;
    QIcon m_icon;
    bool m_bHasIcon = false;
    bool m_bModified = false;
    bool m_bCreated = false;
    bool m_bControlsBuilt = false;
    bool m_bFirstSetActive = true;
    PropertySheet* m_pSheet = nullptr;
};
