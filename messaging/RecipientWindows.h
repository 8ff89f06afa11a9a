#pragma once

// The four recipient windows; everything they do is RecipientWindow's, their rows of the
// family table (RecipientWindowMembers) make the difference. The navigation opens them by
// class name.

#include "messaging/RecipientWindow.h"

// Account cards.
class frmChkMesaj : public RecipientWindow {
    Q_OBJECT
public:
    frmChkMesaj();
};

// Account groups (group codes of type 6).
class frmGrupMesaj : public RecipientWindow {
    Q_OBJECT
public:
    frmGrupMesaj();
};

// Contact persons.
class frmYetkiliMesaj : public RecipientWindow {
    Q_OBJECT
public:
    frmYetkiliMesaj();
};

// Accounts with an open balance; no duplicate option.
class frmBakiyeGonder : public RecipientWindow {
    Q_OBJECT
public:
    frmBakiyeGonder();
};
