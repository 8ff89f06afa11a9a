#pragma once

// The send hand-over behind "İleri >>" of the recipient windows: the row and text checks,
// the send screen shown in the window's place, then the merge (core/RecipientMerge.h) filling
// the screen's list row by row while the screen is on screen, with the progress window.
//
//  - The text is checked against the window's columns before anything changes: a text the
//    merge cannot read leaves the operator in the recipient window with the error box.
//  - A stale cancel (gCancelRequested left set by an earlier run) is cleared when a run
//    starts.
//  - "Gönder" and "Listeden çıkart" wait until the filling has ended.
//  - A failure inside the loop unloads the send screen and shows the recipient window again.
//  - Leaving through the navigation during the loop stops the loop at its next yield.

#include <QString>

class RecipientWindow;

// Installs RecipientHandOver behind "İleri >>" of every recipient window.
void InstallRecipientHandOver();

// Command4_Click of a recipient window.
void RecipientHandOver(RecipientWindow &window);

// The boxes of the hand-over (title "Brenvik").
QString NoRecipientRowsText();                        // information
QString NoMessageTextText();                          // information
QString NothingToSendText();                          // information: the list stayed empty
QString MergeFailureText(const QString &description); // critical
