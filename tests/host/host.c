/* A host program as the README builds it: UTM zone 31 N from its EPSG code, one point. */
#include <math.h>
#include <stdio.h>
#include <Tellus.h>

int main(void) {
    const double deg = 3.14159265358979323846 / 180;
    double x = 0, y = 0;
    GeodesyHandle h = CreateEpsgGeodesy(32631);
    if (!h || !GeoXY(h, &x, &y, 45 * deg, 4 * deg)) return printf("error %d\n", GetGeodesyError()), 1;
    DestroyGeodesy(h);
    printf("%.4f %.4f\n", x, y);
    /* cs2cs EPSG:4326 EPSG:32631: 578815.3029 4983436.7683 */
    return fabs(x - 578815.3029) > 1e-3 || fabs(y - 4983436.7683) > 1e-3;
}
