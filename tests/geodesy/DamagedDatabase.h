// Damaged copies of a predefined-parameter database, and what the EPSG exports answer on them,
// for comparing with the undamaged file byte for byte.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "common/Platform.h"
#include "common/ProgramFolder.h"
#include "geodesy/Tellus.h"
#include "tests/TestSupport.h"

// The created record (or the failure's code) and the description (or its code).
struct EpsgAnswer {
    int createCode = 0;
    GeodesyParams record{};
    int describeCode = 0;
    EpsgParams description{sizeof(EpsgParams), 0, 0, 0, 0};
};

inline EpsgAnswer epsgAnswerFor(int code) {
    EpsgAnswer a;
    if (GeodesyHandle h = CreateEpsgGeodesy(code)) {
        GetGeodesyParams(h, &a.record, nullptr, nullptr);
        DestroyGeodesy(h);
    } else {
        a.createCode = GetGeodesyError();
    }
    if (!GetEpsgParams(code, &a.description)) a.describeCode = GetGeodesyError();
    return a;
}

inline bool sameEpsgAnswer(const EpsgAnswer& a, const EpsgAnswer& b) {
    return a.createCode == b.createCode && std::memcmp(&a.record, &b.record, sizeof a.record) == 0 &&
           a.describeCode == b.describeCode &&
           std::memcmp(&a.description, &b.description, sizeof a.description) == 0;
}

// Two copies of a database in suite folders of their own, damaged in place by turns: each damage
// goes to the other copy (so no request finds the file it read last) and that copy's earlier
// damage is put back first. Writing bytes in place keeps a run cheap, also under the sanitizers.
class DamagedDatabase {
public:
    explicit DamagedDatabase(std::string bytes) : original(std::move(bytes)) {
        for (const TempFolder& folder : folders) {
            platform::makeDirectories(folder.file("datum"));
            writeFile(file(folder), original);
        }
    }
    size_t size() const { return original.size(); }

    // Damages the next copy (each byte exclusive-or its mask) and makes its folder the program
    // folder.
    void damage(const std::vector<std::pair<size_t, uint8_t>>& bytes) {
        turn = 1 - turn;
        std::fstream f(file(folders[turn]), std::ios::in | std::ios::out | std::ios::binary);
        for (size_t at : touched[turn]) f.seekp(std::streamoff(at)).put(original[at]);
        touched[turn].clear();
        for (const auto& [at, mask] : bytes) {
            f.seekp(std::streamoff(at)).put(char(original[at] ^ char(mask)));
            touched[turn].push_back(at);
        }
        f.close();
        // A modification time of its own: bytes written in place within one tick of the file
        // system's clock would otherwise leave the file's stamp, and the library would take it
        // for the file it already checked.
        static const auto start = std::filesystem::file_time_type::clock::now();
        static int64_t damages = 0;
        std::filesystem::last_write_time(file(folders[turn]), start + std::chrono::microseconds(++damages));
        platform::setEnvironment("KVT_PELAGIX", folders[turn].path().c_str());
        resetProgramFolder();
    }

private:
    static std::string file(const TempFolder& folder) { return folder.file("datum/corvane.db"); }
    std::string original;
    TempFolder folders[2];
    std::vector<size_t> touched[2];
    int turn = 0;
};
