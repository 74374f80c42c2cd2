#pragma once
// Heights in Belgium: the hybrid quasi-geoid hBG18 (data/be_ign_hBG18.tif),
// between ETRS89 ellipsoidal heights h and Ostend heights H (DNG/TAW):
// H = h - N, N interpolated bilinearly at the ETRS89 position. The model is
// meant for Belgium onshore; outside its extent (1 to 7 E, 48.5 to 52.5 N)
// there is no height. Read on first use.

namespace core {

inline constexpr const char* QuasiGeoidFile = "be_ign_hBG18.tif";

// N in metres at (lon, lat) in radians on ETRS89 (taken as WGS 84). False,
// writing nothing, outside the model; a model that cannot be read raises its
// reader's error.
bool QuasiGeoidHeight(double lon, double lat, double& N);

// The kinds of height: ETRS89 ellipsoidal h, Ostend H (DNG, hBG18).
inline constexpr char EllipsoidalHeight = 'h', OstendHeight = 'H';

// The height `z` of kind `in` as kind `out` at (lon, lat), radians on
// ETRS89. False, writing nothing, outside the model when the kinds differ.
bool ConvertHeight(char in, char out, double lon, double lat, double z, double& result);

// The cause of a point that gets no height.
inline constexpr const char* OutsideQuasiGeoidText = "point hors du modèle hBG18 (Belgique) : pas de hauteur.";

}  // namespace core
