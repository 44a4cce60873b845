#pragma once

#include <string>

#include "options/options_page.h"

class QLineEdit;

// "Program Options": e-mail address, port, time out and the two block sizes.
// Every edit of its fields marks the page modified, which enables Apply.
class ProgramOptionsPage : public OptionsPage {
    Q_OBJECT

public:
    explicit ProgramOptionsPage(const AppSettings& settings, QWidget* parent = nullptr);

    QWidget* Validate() override;
    void Commit(AppSettings& settings) override;

    bool IsModified() const { return modified; }

signals:
    void modifiedChanged(bool modified);

protected:
    void Initialise() override;

private:
    void SetModified(bool on);

    std::string emailAddress;
    int port;
    int timeOut;
    int sendBytes;
    int receiveBytes;
    bool modified = false;

    QLineEdit* emailField;
    QLineEdit* receiveField;
    QLineEdit* sendField;
    QLineEdit* portField;
    QLineEdit* timeOutField;
};
