#include "printing/CupsConnection.h"

#include <cups/cups.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

namespace {

// How often a wait with nothing coming asks whether to go on waiting.
constexpr double kWaitCheckSeconds = 0.1;

// No password is ever asked for: an operation that needs one fails.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*) {
    return nullptr;
}

}  // namespace

CupsConnection::CupsConnection()
    : m_giveUpAt(Clock::time_point::max().time_since_epoch().count()) {}

CupsConnection::~CupsConnection() {
    Close();
}

void CupsConnection::GiveUpAt(Clock::time_point when) {
    m_giveUpAt.store(when.time_since_epoch().count(), std::memory_order_release);
}

long long CupsConnection::MillisecondsLeft() const {
    const Clock::time_point giveUp{Clock::duration(m_giveUpAt.load(std::memory_order_acquire))};
    const auto left = std::min(m_deadline, giveUp) - Clock::now();
    return std::max<long long>(0,
                               std::chrono::duration_cast<std::chrono::milliseconds>(left).count());
}

int CupsConnection::KeepWaiting(http_t*, void* self) {
    return static_cast<CupsConnection*>(self)->MillisecondsLeft() > 0 ? 1 : 0;
}

http_t* CupsConnection::Connection() {
    if (m_http != nullptr) return m_http;
    const long long left = MillisecondsLeft();
    if (left == 0) return nullptr;
    // libcups keeps the callback per thread: set on the thread that talks.
    cupsSetPasswordCB2(NoPassword, nullptr);
    m_http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                          static_cast<int>(std::min<long long>(left, 60000)), nullptr);
    if (m_http != nullptr) httpSetTimeout(m_http, kWaitCheckSeconds, KeepWaiting, this);
    return m_http;
}

void CupsConnection::Close() {
    if (m_http == nullptr) return;
    httpClose(m_http);
    m_http = nullptr;
}

std::string CupsConnection::FindQueue(const std::string& printerName, Clock::time_point deadline) {
    m_deadline = deadline;
    http_t* http = Connection();
    if (http == nullptr) return {};
    std::string queueName = printerName;
    std::replace(queueName.begin(), queueName.end(), ' ', '_');
    std::replace(queueName.begin(), queueName.end(), '/', '_');

    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    static const char* const kWanted[] = {"printer-name", "printer-info"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                  kWanted);
    ipp_t* response = cupsDoRequest(http, request, "/");  // frees the request
    if (response == nullptr) {
        Close();  // no answer in time: the connection is in an unknown state
        return {};
    }
    // One group of attributes per queue, separated by an attribute without
    // a name.
    std::string byName;
    std::string byInfo;
    std::string name;
    std::string info;
    const auto endOfQueue = [&] {
        if (!name.empty() && name == queueName) byName = name;
        if (!name.empty() && info == printerName && byInfo.empty()) byInfo = name;
        name.clear();
        info.clear();
    };
    for (ipp_attribute_t* attribute = ippFirstAttribute(response); attribute != nullptr;
         attribute = ippNextAttribute(response)) {
        const char* attributeName = ippGetName(attribute);
        if (attributeName == nullptr) {
            endOfQueue();
            continue;
        }
        if (ippGetGroupTag(attribute) != IPP_TAG_PRINTER) continue;
        const char* value = ippGetString(attribute, 0, nullptr);
        if (value == nullptr) continue;
        if (std::strcmp(attributeName, "printer-name") == 0) name = value;
        if (std::strcmp(attributeName, "printer-info") == 0) info = value;
    }
    endOfQueue();
    ippDelete(response);
    return byName.empty() ? byInfo : byName;
}

// One Print-Job request carrying the document: nothing else is asked of
// CUPS on the way (its job helpers look the destination up again, over
// connections of their own that wait a minute).
bool CupsConnection::SendJob(const std::string& queue, const std::vector<std::uint8_t>& document,
                             Clock::time_point deadline) {
    m_deadline = deadline;
    http_t* http = Connection();
    if (http == nullptr) return false;
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", queue.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, "printer");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "document-name", nullptr, "printer");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
                 CUPS_FORMAT_RAW);
    const std::string resource = "/printers/" + queue;
    // The length is the whole body: the request, then the document.
    http_status_t status =
        cupsSendRequest(http, request, resource.c_str(), ippLength(request) + document.size());
    if (status == HTTP_STATUS_CONTINUE)
        status = cupsWriteRequestData(http, reinterpret_cast<const char*>(document.data()),
                                      document.size());
    ipp_t* response =
        status == HTTP_STATUS_CONTINUE ? cupsGetResponse(http, resource.c_str()) : nullptr;
    const bool sent =
        response != nullptr && ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    ippDelete(response);
    ippDelete(request);
    // After a failure the connection may be anywhere in a request: the next
    // job gets a fresh one.
    if (!sent) Close();
    return sent;
}
