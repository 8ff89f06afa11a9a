#include "messaging/RecipientWindows.h"

namespace {
const RecipientWindowMembers &row(const char *className)
{
    const RecipientWindowMembers *m = RecipientWindowMembers::find(QString::fromLatin1(className));
    Q_ASSERT(m);
    return *m;
}
} // namespace

frmChkMesaj::frmChkMesaj() : RecipientWindow(row("frmChkMesaj")) {}
frmGrupMesaj::frmGrupMesaj() : RecipientWindow(row("frmGrupMesaj")) {}
frmYetkiliMesaj::frmYetkiliMesaj() : RecipientWindow(row("frmYetkiliMesaj")) {}
frmBakiyeGonder::frmBakiyeGonder() : RecipientWindow(row("frmBakiyeGonder")) {}
