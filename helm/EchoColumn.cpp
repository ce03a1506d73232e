#include "helm/EchoColumn.h"

#include <algorithm>

EchoColumn EchoColumn::Reduce(std::span<const std::uint8_t> samples, double spanMetres) {
    EchoColumn column;
    column.spanMetres = spanMetres;
    const std::size_t count = samples.size();
    for (std::size_t cell = 0; cell < kCells; ++cell) {
        // Cell c holds the samples i with i * kCells / count == c.
        const std::size_t begin = (cell * count + kCells - 1) / kCells;
        const std::size_t end = ((cell + 1) * count + kCells - 1) / kCells;
        if (begin >= end) continue;
        const std::uint8_t level =
            *std::max_element(samples.begin() + static_cast<std::ptrdiff_t>(begin),
                              samples.begin() + static_cast<std::ptrdiff_t>(end));
        column.levels[cell] = std::min<std::uint8_t>(level, 7);
    }
    return column;
}
