#include "link/rx_buffer.h"

#include <algorithm>
#include <cstring>

void rx_buffer::clearForRequest(QByteArray &accum, Bytes &buf)
{
    accum.clear();
    std::memset(buf, 0, HEAD_SIZE);
}

int rx_buffer::store(Bytes &buf, const QByteArray &bytes, int limit)
{
    const int count = std::min({bytes.size(), limit, SIZE});
    std::memset(buf, 0, SIZE);
    if (count > 0)
        std::memcpy(buf, bytes.constData(), static_cast<size_t>(count));
    return count;
}
