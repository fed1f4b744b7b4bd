#ifndef ARCHIVECOLUMNS_H
#define ARCHIVECOLUMNS_H

#include <array>

// The columns of the two archive tables: their labels and design widths.
namespace ArchiveColumns {

constexpr int COUNT = 8;

struct Header {
    const char *label; // UTF-8
    int width;
};

using Headers = std::array<Header, COUNT>;

constexpr Headers EVENTS = {{{"Дата.", 60},
                             {"Время.", 60},
                             {"Канал", 60},
                             {"Событие", 100},
                             {"Концен.", 60},
                             {"Ед.изм.", 60},
                             {"", 60},
                             {"", 60}}};

constexpr Headers CHANNEL = {{{"Дата.", 60},
                              {"Время.", 60},
                              {"Конц.", 60},
                              {"Ед.изм.", 60},
                              {"", 60},
                              {"", 60},
                              {"", 60},
                              {"", 60}}};

} // namespace ArchiveColumns

#endif
