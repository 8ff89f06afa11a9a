// Test helper: a separate process that keeps taking the write lock of a SQLite database.
//
//   lock-holder <database> <holdMs> <gapMs> <seconds>
//
// Takes the write lock (BEGIN IMMEDIATE), holds it holdMs, lets it go (COMMIT), takes it
// again after gapMs, and so on for `seconds` (0: until killed). Prints "holding" once the
// lock is first held, so that a test knows the database is busy from then on.

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: lock-holder <database> <holdMs> <gapMs> <seconds>\n");
        return 2;
    }
    const int holdMs = std::atoi(argv[2]);
    const int gapMs = std::atoi(argv[3]);
    const int seconds = std::atoi(argv[4]);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    sqlite3_busy_timeout(db, 60000);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    bool announced = false;
    while (seconds == 0 || std::chrono::steady_clock::now() < end) {
        if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) continue;
        if (!announced) {
            std::printf("holding\n");
            std::fflush(stdout);
            announced = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
    }
    sqlite3_close(db);
    return 0;
}
