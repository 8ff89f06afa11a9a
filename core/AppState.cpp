#include "core/AppState.h"

void ResetAppState()
{
    gGatewayKind = GatewayKind::None;
    gGatewayUrl.clear();
    gUserName.clear();
    gPassword.clear();
    gCkey.clear();
    gFlgKaydet.clear();
    gAccountLoaded = false;
    gStartBlocked = false;
    gErpServer.clear();
    gErpDatabase.clear();
    gErpUser.clear();
    gErpPassword.clear();
    gErpConfigured = false;
    gCompanyCode.clear();
    gCompanyName.clear();
    gMdacFound = false;
    gMdacVersion.clear();
    gErrorText.clear();
    gCancelRequested = false;
    gProgressDone = 0;
    gProgressTotal = 0;
    gReportFilter.clear();
    gStageMark.clear();
    gSendKind.clear();
    gMessageText.clear();
    gOverLimitRecipients = RecordSet();
    gBrowserUrl.clear();
    gGathwinRequest.clear();
    gGathwinUrl.clear();
}
