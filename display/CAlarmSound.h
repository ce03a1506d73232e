#pragma once

#include <QObject>
#include <QSoundEffect>
#include <QTemporaryDir>

// The alarm's sound through Qt Multimedia: the tone (AlarmTone) is written
// to a file of its own at start and played in a loop while the alarm
// sounds. UI thread.
class CAlarmSound : public QObject {
    Q_OBJECT
public:
    explicit CAlarmSound(QObject* parent = nullptr);

    // Starts the loop, or stops it; nothing when it already does.
    void SetSounding(bool sounding);
    bool Sounding() const { return m_sounding; }
    // The tone's file.
    QString File() const;
    const QSoundEffect& Effect() const { return m_effect; }

private:
    QTemporaryDir m_folder;
    QSoundEffect m_effect;
    bool m_sounding = false;
};
