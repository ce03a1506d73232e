#include "helm/HelmFeed.h"

void HelmFeed::PutPing(std::span<const std::uint8_t> samples, double spanMetres) {
    EchoColumn column = EchoColumn::Reduce(samples, spanMetres);
    column.serial = ++m_serial;
    m_column.Store(column);
}

bool HelmFeed::NewerColumn(std::uint64_t after, EchoColumn* column) const {
    EchoColumn newest;
    if (!m_column.TryLoad(&newest) || newest.serial <= after) return false;
    *column = newest;
    return true;
}
