#include "app/EngineMessages.h"

#include <system_error>
#include <vector>

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

namespace {

// The pattern of each code. lupdate collects them for the translation.
const char* Pattern(EngineError code) {
    switch (code) {
        case EngineError::kOk:
            return "";
        case EngineError::kAlreadyRecording:
            return QT_TRANSLATE_NOOP("EngineMessages", "已在存储中");
        case EngineError::kRecordingDuringPlayback:
            return QT_TRANSLATE_NOOP("EngineMessages", "回放时不能存储");
        case EngineError::kCannotCreateFolder:
            return QT_TRANSLATE_NOOP("EngineMessages", "无法创建文件夹 %1（%2）");
        case EngineError::kCannotContinue:
            return QT_TRANSLATE_NOOP("EngineMessages",
                                     "无法续录 %1：%2。可用 marevox-cli reindex 重建索引后再试。");
        case EngineError::kCannotContinueOpenData:
            return QT_TRANSLATE_NOOP("EngineMessages", "无法续录 %1：无法打开（%2）");
        case EngineError::kCannotContinueOpenText:
            return QT_TRANSLATE_NOOP("EngineMessages", "无法续录 %1：无法打开 %2（%3）");
        case EngineError::kCannotCreateData:
            return QT_TRANSLATE_NOOP("EngineMessages", "无法创建数据文件 %1（%2）");
        case EngineError::kCannotCreateIndex:
            return QT_TRANSLATE_NOOP("EngineMessages", "无法创建索引文件 %1（%2）");
        case EngineError::kCannotCreateText:
            return QT_TRANSLATE_NOOP("EngineMessages", "无法创建文本文件 %1（%2）");
        case EngineError::kCannotWriteData:
            return QT_TRANSLATE_NOOP("EngineMessages", "无法写入数据文件 %1（%2）");
        case EngineError::kCannotWriteIndex:
            return QT_TRANSLATE_NOOP(
                "EngineMessages",
                "无法写入索引文件 %1（%2）。数据文件完好，可用 marevox-cli reindex 重建索引。");
        case EngineError::kIndexFull:
            return QT_TRANSLATE_NOOP("EngineMessages", "存储文件过大");
        case EngineError::kIndexMismatch:
            return QT_TRANSLATE_NOOP("EngineMessages", "索引文件 %1 与数据文件不符");
        case EngineError::kIndexMissing:
            return QT_TRANSLATE_NOOP("EngineMessages", "未找到*.idx文件");
        case EngineError::kIndexUnreadable:
            return QT_TRANSLATE_NOOP("EngineMessages", "无法读取索引文件 %1");
        case EngineError::kIndexEmpty:
            return QT_TRANSLATE_NOOP("EngineMessages", "索引文件 %1 不含任何记录");
        case EngineError::kIndexTooMany:
            return QT_TRANSLATE_NOOP("EngineMessages",
                                     "索引文件 %1 列出 %2 条记录，超过 5000000 条的上限");
        case EngineError::kIndexShort:
            return QT_TRANSLATE_NOOP("EngineMessages", "索引文件 %1 不完整：比它所列的记录数短");
        case EngineError::kIndexNotRegular:
            return QT_TRANSLATE_NOOP("EngineMessages", "索引文件 %1 不是普通文件");
        case EngineError::kNotRegularFile:
            return QT_TRANSLATE_NOOP("EngineMessages", "%1 不是普通文件，不能用作记录");
        case EngineError::kRecordingInUse:
            return QT_TRANSLATE_NOOP("EngineMessages",
                                     "数据文件 %1 正由另一程序存储，不能同时写入");
        case EngineError::kPlaybackOpen:
            return QT_TRANSLATE_NOOP("EngineMessages", "回放已在进行");
        case EngineError::kCannotOpenData:
            return QT_TRANSLATE_NOOP("EngineMessages", "无法打开数据文件 %1（%2）");
        case EngineError::kNoReadableRecord:
            return QT_TRANSLATE_NOOP("EngineMessages", "数据文件 %1 中没有可读的记录");
        case EngineError::kOutOfTimeRange:
            return QT_TRANSLATE_NOOP("EngineMessages", "超出时间范围");
        case EngineError::kOpenedByScanning:
            return QT_TRANSLATE_NOOP("EngineMessages",
                                     "%1。已扫描数据文件 %2 将其打开：找到 %3 条记录。");
        case EngineError::kContinuedByScanning:
            return QT_TRANSLATE_NOOP(
                "EngineMessages",
                "%1。已扫描数据文件 %2：找到 %3 条记录，已重新写出索引文件，新记录接在其后。");
        case EngineError::kCannotCreateFile:
            return QT_TRANSLATE_NOOP("EngineMessages", "无法创建文件 %1：%2");
        case EngineError::kCannotWriteFile:
            return QT_TRANSLATE_NOOP("EngineMessages", "无法写入文件 %1");
        case EngineError::kCannotReplaceFile:
            return QT_TRANSLATE_NOOP("EngineMessages", "无法替换文件 %1：%2");
    }
    return "";
}

// Replaces %1..%9 of pattern with the arguments, in one pass: an argument's
// own text is never looked at again.
std::string Fill(const std::string& pattern, const std::vector<std::string>& arguments) {
    std::string text;
    text.reserve(pattern.size() + 64);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && next >= '1' && next <= '9' &&
            static_cast<std::size_t>(next - '1') < arguments.size()) {
            text += arguments[static_cast<std::size_t>(next - '1')];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

}  // namespace

std::string SystemErrorText(int systemError) {
    return std::generic_category().message(systemError);
}

std::string EngineMessageText(const EngineStatus& status,
                              const std::function<std::string(const char* pattern)>& translate) {
    const char* pattern = Pattern(status.code);
    const std::string local = translate ? translate(pattern) : std::string(pattern);
    const std::string cause = status.cause ? EngineMessageText(*status.cause, translate) : "";
    const std::string reason = SystemErrorText(status.systemError);
    switch (status.code) {
        case EngineError::kCannotCreateFolder:
        case EngineError::kCannotContinueOpenData:
        case EngineError::kCannotCreateData:
        case EngineError::kCannotCreateText:
        case EngineError::kCannotWriteData:
        case EngineError::kCannotOpenData:
        case EngineError::kCannotCreateFile:
        case EngineError::kCannotReplaceFile:
            return Fill(local, {status.path, reason});
        case EngineError::kCannotContinueOpenText:
            return Fill(local, {status.path, status.otherPath, reason});
        case EngineError::kCannotContinue:
        case EngineError::kCannotCreateIndex:
        case EngineError::kCannotWriteIndex:
            return Fill(local, {status.path, cause});
        case EngineError::kIndexTooMany:
            return Fill(local, {status.path, std::to_string(status.count)});
        case EngineError::kOpenedByScanning:
        case EngineError::kContinuedByScanning:
            return Fill(local, {cause, status.path, std::to_string(status.count)});
        case EngineError::kIndexFull:
            // The index that could not be written on closing, on a line of
            // its own.
            return cause.empty() ? local : local + "\n" + cause;
        default:
            return Fill(local, {status.path});
    }
}
