// A host that loads the library at run time instead of linking it: the per-thread code sits in
// static thread-local storage, for which such a load must still find room.
#include <gtest/gtest.h>

#include <thread>

#include "common/Platform.h"
#include "geodesy/Tellus.h"

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

}  // namespace
