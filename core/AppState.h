#pragma once

#include "core/GatewayKind.h"
#include "core/RecordSet.h"

#include <QString>

// Program-wide state of the main program (and of the automatic program, which uses the
// account and ERP parts). Names follow the rest of the system.

// Gateway account
inline GatewayKind gGatewayKind = GatewayKind::None;
inline QString gGatewayUrl;
inline QString gUserName;
inline QString gPassword;
inline QString gCkey;      // client code, hosted gateway only
inline QString gFlgKaydet; // saved-credentials flag of the chosen account
inline bool gAccountLoaded = false;
inline bool gStartBlocked = false;

// ERP server settings (decoded) and company
inline QString gErpServer;
inline QString gErpDatabase;
inline QString gErpUser;
inline QString gErpPassword;
inline bool gErpConfigured = false;
inline QString gCompanyCode;
inline QString gCompanyName;

// Data access check
inline bool gMdacFound = false;
inline QString gMdacVersion;

// Stage error text of the running procedure
inline QString gErrorText;

// Long operations
inline bool gCancelRequested = false;
inline long long gProgressDone = 0;
inline long long gProgressTotal = 0;

// Delivery reports: the status filter last built, and the mark of the number report that
// failure boxes show in front of their text ("" until that report got a reply it reads)
inline QString gReportFilter;
inline QString gStageMark;

// Send hand-over
inline QString gSendKind;
inline QString gMessageText;
// Recipients whose merged text was over 160 characters: one field per field of the
// recipient rows, rebuilt by every merge, exported by an accepted send.
inline RecordSet gOverLimitRecipients;

// Browser window address and interactive service request
inline QString gBrowserUrl;
inline QString gGathwinRequest;
inline QString gGathwinUrl;

// Puts every value above back to its initial state (tests).
void ResetAppState();
