#pragma once

// The keyword dialog of the rule editor ("Yeni"), modal, made afresh for every new rule. Its
// box takes up to 20 ASCII letters and digits, typed or pasted. "Tamam" keeps the keyword in
// capitals for the opener (Keyword()) and closes; an empty box is refused. "Vazgeç", Escape
// and the close box leave no keyword. Enter does nothing.
//
//     frmInteractiveSMSprm dialog(this);
//     dialog.exec();
//     NewKeyword = dialog.Keyword();

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

class frmInteractiveSMSprm : public QDialog {
    Q_OBJECT
public:
    explicit frmInteractiveSMSprm(QWidget *parent = nullptr);

    // The keyword "Tamam" accepted, in capitals; empty before and after any other closing.
    const QString &Keyword() const { return m_keyword; }

private:
    QLabel *Label1 = nullptr; // heading
    QLabel *Label2 = nullptr; // instruction
    QLabel *Label3 = nullptr; // "Alan Seçiniz :"
    QLineEdit *Text1 = nullptr;
    QPushButton *DMSXpButton1 = nullptr; // "Tamam"
    QPushButton *DMSXpButton2 = nullptr; // "Vazgeç"

public:
    void DMSXpButton1_Click();
    void DMSXpButton2_Click();
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_keyword;
};
