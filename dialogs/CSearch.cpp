#include "dialogs/CSearch.h"

#include <QDateTime>
#include <QLocale>
#include <ctime>

#include "engine/XSound.h"
#include "ui_Search.h"

namespace {

constexpr const char* kEnglishSpanFormat = "%Y  %m  %d          %H:%M:%S";
constexpr const char* kChineseSpanFormat = "%Y年%m月%d日        %H:%M:%S";

std::tm LocalParts(std::int64_t time) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm parts{};
    localtime_r(&t, &parts);
    return parts;
}

}  // namespace

CSearch::CSearch(XSound& engine, bool english, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSearch>()), m_engine(engine) {
    m_ui->setupUi(this);
    // The long date format of the interface language.
    const QLocale locale = english ? QLocale(QLocale::English, QLocale::UnitedStates)
                                   : QLocale(QLocale::Chinese, QLocale::China);
    m_ui->searchDate->setLocale(locale);
    m_ui->searchDate->setDisplayFormat(english ? QStringLiteral("MMMM d, yyyy")
                                               : QStringLiteral("yyyy年M月d日"));
    m_ui->firstTimeEdit->setText(FormatSpanTime(m_engine.FirstTime(), english));
    m_ui->lastTimeEdit->setText(FormatSpanTime(m_engine.LastTime(), english));
    SetPickers(m_engine.PingTime());
    connect(m_ui->applyButton, &QPushButton::clicked, this, &CSearch::Apply);
}

CSearch::~CSearch() = default;

QString CSearch::FormatSpanTime(std::int64_t time, bool english) {
    const std::tm parts = LocalParts(time);
    char text[64];
    const std::size_t length =
        std::strftime(text, sizeof text, english ? kEnglishSpanFormat : kChineseSpanFormat, &parts);
    return QString::fromUtf8(text, static_cast<qsizetype>(length));
}

std::int64_t CSearch::LocalTarget(int year, int month, int day, int hour, int minute, int second) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&parts));
}

void CSearch::SetPickers(std::int64_t time) {
    const std::tm parts = LocalParts(time);
    m_ui->searchDate->setDate(QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday));
    m_ui->searchClock->setTime(QTime(parts.tm_hour, parts.tm_min, parts.tm_sec));
}

void CSearch::Apply() {
    const QDate date = m_ui->searchDate->date();
    const QTime time = m_ui->searchClock->time();
    m_engine.SetSearchTime(LocalTarget(date.year(), date.month(), date.day(), time.hour(),
                                       time.minute(), time.second()));
    m_engine.SearchTime();
}
