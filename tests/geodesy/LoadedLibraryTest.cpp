// A host that loads the library at run time instead of linking it: the per-thread code sits in
// static thread-local storage, for which such a load must still find room, and the library goes
// away whole when the host closes it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "common/Platform.h"
#include "geodesy/Tellus.h"
#include "tests/TestSupport.h"

namespace {

TEST(LoadedLibrary, PerThreadCodeAfterDlopen) {
    void* library = platform::openLibrary(TELLUS_LIBRARY);
    ASSERT_NE(library, nullptr) << platform::libraryError();
    using GeoXYFunction = int(TELLUS_CALL*)(GeodesyHandle, double*, double*, double, double);
    using ErrorFunction = int(TELLUS_CALL*)();
    auto geoXY = reinterpret_cast<GeoXYFunction>(platform::librarySymbol(library, "GeoXY"));
    auto error = reinterpret_cast<ErrorFunction>(platform::librarySymbol(library, "GetGeodesyError"));
    ASSERT_TRUE(geoXY && error);
    double x, y;
    EXPECT_EQ(geoXY(nullptr, &x, &y, 0, 0), 0);
    EXPECT_EQ(error(), 2);
    int other = -1;
    std::thread([&] { other = error(); }).join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(error(), 2);
    platform::closeLibrary(library);
}

// Whether a line of /proc/self/maps names `file`, and whether a descriptor of this process is
// open on `file`.
bool mapped(const std::string& file) {
    return readFile("/proc/self/maps").find(file) != std::string::npos;
}
bool openDescriptor(const std::string& file) {
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(fd.path(), ignored) == file) return true;
    }
    return false;
}

// EPSG requests keep the database open between them, on the calling thread and on others, but
// neither that nor anything else keeps the library loaded once the host closes it.
TEST(LoadedLibrary, EpsgRequestsLeaveNothingBehindTheClose) {
    const std::string library = std::filesystem::canonical(TELLUS_LIBRARY).string();
    const std::string database = std::filesystem::canonical(std::string(TELLUS_SUITE_DIR) + "/datum/corvane.db");
    platform::setEnvironment("KVT_PELAGIX", TELLUS_SUITE_DIR);
    for (int round = 0; round < 2; ++round) {
        ASSERT_FALSE(mapped(library));
        void* loaded = platform::openLibrary(library);
        ASSERT_NE(loaded, nullptr) << platform::libraryError();
        using CreateFunction = GeodesyHandle(TELLUS_CALL*)(int);
        using DestroyFunction = int(TELLUS_CALL*)(GeodesyHandle);
        using ParamsFunction = int(TELLUS_CALL*)(int, EpsgParams*);
        auto create = reinterpret_cast<CreateFunction>(platform::librarySymbol(loaded, "CreateEpsgGeodesy"));
        auto destroy = reinterpret_cast<DestroyFunction>(platform::librarySymbol(loaded, "DestroyGeodesy"));
        auto params = reinterpret_cast<ParamsFunction>(platform::librarySymbol(loaded, "GetEpsgParams"));
        ASSERT_TRUE(create && destroy && params);
        GeodesyHandle h = create(27700);
        ASSERT_NE(h, nullptr);
        destroy(h);
        std::thread([&] {
            EpsgParams r{sizeof(EpsgParams), 0, 0, 0, 0};
            EXPECT_EQ(params(4326, &r), 1);
            destroy(create(32631));
        }).join();
        EXPECT_TRUE(mapped(library));
        platform::closeLibrary(loaded);
        EXPECT_FALSE(mapped(library)) << "round " << round;
        EXPECT_FALSE(openDescriptor(database)) << "round " << round;
    }
}

}  // namespace
