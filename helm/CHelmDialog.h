#pragma once

#include <QDialog>
#include <functional>

class CHelmServer;
class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

// 设置 → 舵手显示: turns the helm page on or off, picks where it listens,
// and shows the address to open and the code a browser must give. Left
// open, it follows the server (the browsers connected).
class CHelmDialog : public QDialog {
    Q_OBJECT
public:
    struct Choice {
        bool on = false;
        QString address;  // "127.0.0.1": this machine only; "0.0.0.0": every address
        int port = 8080;
    };

    // apply starts or stops the server as chosen (and keeps the choice).
    CHelmDialog(CHelmServer& server, const Choice& current,
                std::function<void(const Choice&)> apply, QWidget* parent = nullptr);

    Choice Chosen() const;
    // The address, the code and the browsers, as the server has them now.
    void ShowServer();

private:
    CHelmServer& m_server;
    std::function<void(const Choice&)> m_apply;
    QCheckBox* m_on = nullptr;
    QComboBox* m_address = nullptr;
    QSpinBox* m_port = nullptr;
    QLabel* m_url = nullptr;
    QLabel* m_code = nullptr;
    QLabel* m_clients = nullptr;
};
