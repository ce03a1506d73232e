#include "app/DepthOutput.h"

#include <cstdint>

#include "app/DepthSentence.h"
#include "app/Settings.h"
#include "engine/XSound.h"

DepthOutput::DepthOutput(const XSound& engine, const AppSettings& settings, QString companionPath)
    : m_engine(engine), m_settings(settings), m_companion(std::move(companionPath), &m_log) {}

std::string DepthOutput::OutputDepth() {
    const std::string sentence = BuildDepthSentence(m_settings, m_engine);
    if (sentence.empty()) return sentence;

    using Result = OutputLog::Result;
    // A sink that is not there (port closed, network off) is not a message.
    if (m_outputPort.Send(reinterpret_cast<const std::uint8_t*>(sentence.data()), sentence.size()))
        m_log.Record(OutputLog::Sink::kSerial, sentence, Result::kSent);

    if (m_engine.Sounding().UseNet() != 0) {
        // The receiver's address is read when the link is (re)opened, after
        // a failed send; the failed message is not sent again.
        m_netLink.SetRemote(m_settings.Ip(), m_settings.m_portSend.load());
        const bool sent = m_netLink.Send(sentence);
        m_log.Record(OutputLog::Sink::kNetwork, sentence, sent ? Result::kSent : Result::kFailed);
    }

    // Recorded by the link when it knows the message's fate.
    m_companion.SendCopyData(sentence);
    return sentence;
}
