#include "app/DepthOutput.h"

#include <cstdint>

#include "app/DepthSentence.h"
#include "app/Settings.h"
#include "engine/XSound.h"

DepthOutput::DepthOutput(const XSound& engine, const AppSettings& settings, QString companionPath)
    : m_engine(engine), m_settings(settings), m_companion(std::move(companionPath)) {}

std::string DepthOutput::OutputDepth() {
    const std::string sentence = BuildDepthSentence(m_settings, m_engine);
    if (sentence.empty()) return sentence;

    m_outputPort.Send(reinterpret_cast<const std::uint8_t*>(sentence.data()), sentence.size());

    if (m_engine.m_useNet.load() != 0) {
        // The receiver's address is read when the link is (re)opened, after
        // a failed send; the failed message is not sent again.
        m_netLink.SetRemote(m_settings.Ip(), m_settings.m_portSend.load());
        m_netLink.Send(sentence);
    }

    m_companion.SendCopyData(sentence);
    return sentence;
}
