#pragma once

#include <QDialog>
#include <memory>

struct DialogMemory;
namespace Ui {
class CSpeedFromWater;
}

// The sound speed from the water a surveyor measures: temperature, salinity
// (0 for fresh water) and depth. The inputs are kept within the range the
// equation holds for; the last ones entered are offered again in the same
// program run.
class CSpeedFromWater : public QDialog {
    Q_OBJECT
public:
    explicit CSpeedFromWater(DialogMemory& memory, QWidget* parent = nullptr);
    ~CSpeedFromWater() override;

    // The speed (m/s) for the entered water.
    double Speed() const;

    void accept() override;

private:
    void ShowSpeed();

    std::unique_ptr<Ui::CSpeedFromWater> m_ui;
    DialogMemory& m_memory;
};
