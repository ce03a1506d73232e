#include "display/CAlarmLabel.h"

#include <QMouseEvent>

#include "alarms/DepthAlarms.h"
#include "display/CSee.h"

CAlarmLabel::CAlarmLabel(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("alarm"));
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, CSee::kAlarmBack);
    look.setColor(QPalette::WindowText, CSee::kAlarmText);
    setPalette(look);
    setContentsMargins(6, 0, 6, 0);
    hide();
}

QString CAlarmLabel::Names(unsigned raised) {
    QStringList names;
    if ((raised & DepthAlarms::kShallow) != 0) names << tr("浅水报警");
    if ((raised & DepthAlarms::kDeep) != 0) names << tr("深水报警");
    if ((raised & DepthAlarms::kBottomLost) != 0) names << tr("失底报警");
    if ((raised & DepthAlarms::kStale) != 0) names << tr("水深中断报警");
    return names.join(QLatin1Char(' '));
}

void CAlarmLabel::Show(unsigned raised, unsigned sounding) {
    if (raised == 0) {
        hide();
        return;
    }
    QString text = Names(raised);
    if (sounding != 0) text += tr("（按 Esc 键或点击此处消音）");
    setText(text);
    show();
}

void CAlarmLabel::mousePressEvent(QMouseEvent* event) {
    emit Clicked();
    QLabel::mousePressEvent(event);
}
