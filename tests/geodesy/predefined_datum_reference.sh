#!/bin/sh
# Reference values of PredefinedDatabaseTest (PROJ 9.1): WGS 84 (latitude, longitude, ellipsoidal
# height 0) to the grid of each predefined zone with a seven- or three-parameter datum, through
# the reverse of the very EPSG transformation that the zone's database row was made from.
# Prints "{zone, easting, northing, height on the local ellipsoid}," per line.
#
# The transformation is pinned by its code (`projinfo -k operation EPSG:<code>`; PROJ would pick
# another one, or a grid, for EPSG:4326 to EPSG:<zone>) and run inverted by `cct -I`; its axis
# swaps are dropped (longitude, latitude in degrees) and so is its push/pop of the height, so the
# height on the local ellipsoid comes out. The grid is then the zone's own projection.
set -eu

# zone, EPSG transformation code, latitude, longitude
while read -r zone code lat lon; do
    operation=$(projinfo -k operation "EPSG:$code" -o PROJ -q --single-line |
        sed -e 's/+step +proj=axisswap +order=2,1//g' -e 's/+step +proj=push +v_3//' -e 's/+step +proj=pop +v_3//')
    projection=$(projinfo "EPSG:$zone" -o PROJ -q --single-line | sed -e 's/ +towgs84=[^ ]*//' -e 's/ +no_defs//' -e 's/ +type=crs//')
    echo "$lon $lat 0 0" | cct -I -d 10 $operation |
        cct -d 4 +proj=pipeline +step +proj=unitconvert +xy_in=deg +xy_out=rad +step $projection |
        awk -v zone="$zone" '{ printf "{%s, %s, %s, %s},\n", zone, $1, $2, $3 }'
done <<LIST
27700 1314 52.1 -1.5
2100 1272 38.0 23.7
28992 4833 52.1 5.1
29903 1954 53.3 -7.5
31370 1609 50.8 4.4
3006 1879 59.3 18.0
3301 1649 58.4 25.7
LIST
