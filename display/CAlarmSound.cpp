#include "display/CAlarmSound.h"

#include <QFile>
#include <QUrl>

#include "display/AlarmTone.h"

CAlarmSound::CAlarmSound(QObject* parent) : QObject(parent) {
    QFile file(File());
    const std::vector<std::uint8_t> wav = AlarmTone::Wav();
    if (m_folder.isValid() && file.open(QIODevice::WriteOnly) &&
        file.write(reinterpret_cast<const char*>(wav.data()), static_cast<qint64>(wav.size())) ==
            static_cast<qint64>(wav.size())) {
        file.close();
        m_effect.setSource(QUrl::fromLocalFile(File()));
    }
    m_effect.setLoopCount(QSoundEffect::Infinite);
}

QString CAlarmSound::File() const {
    return m_folder.filePath(QStringLiteral("alarm.wav"));
}

void CAlarmSound::SetSounding(bool sounding) {
    if (sounding == m_sounding) return;
    m_sounding = sounding;
    if (sounding) {
        m_effect.play();
    } else {
        m_effect.stop();
    }
}
