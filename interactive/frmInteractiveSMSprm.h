#pragma once

// The keyword dialog of the rule editor ("Yeni"), modal, made afresh for every new rule. Its
// box takes up to 20 ASCII letters and digits, typed or pasted. "Tamam" hands the keyword in
// capitals to the interactive SMS window (NewKeyword) and closes; an empty box is refused.
// "Vazgeç", Escape and the close box hand over nothing. Enter does nothing.

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;
class frmInteractiveSMS;

class frmInteractiveSMSprm : public QDialog {
    Q_OBJECT
public:
    explicit frmInteractiveSMSprm(frmInteractiveSMS *owner);

    QLabel *Label1 = nullptr; // heading
    QLabel *Label2 = nullptr; // instruction
    QLabel *Label3 = nullptr; // "Alan Seçiniz :"
    QLineEdit *Text1 = nullptr;
    QPushButton *DMSXpButton1 = nullptr; // "Tamam"
    QPushButton *DMSXpButton2 = nullptr; // "Vazgeç"

    void DMSXpButton1_Click();
    void DMSXpButton2_Click();
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPointer<frmInteractiveSMS> m_owner;
};
