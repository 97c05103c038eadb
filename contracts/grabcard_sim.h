/* Simulator exports of our Grabcard.dll, for the host simulator and the
 * tests; the station never calls them, and a vendor's frame grabber has
 * none.  All are extern "C", __stdcall, exported undecorated.
 *
 * Positions in pixels are image coordinates: the centre of pixel (column x,
 * row y) lies at (x, y), the pixel covers x - 0.5 ... x + 0.5 and
 * y - 0.5 ... y + 0.5; rows grow downwards.  The drill lies horizontally,
 * tip pointing left, shank running out of the right border. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One drill in front of the back light. */
typedef struct DrillScene {
    double mmPerPixel;        /* scale of the picture */
    double tipColumn;         /* pixels: column of the tip's point (sub-pixel) */
    double axisRow;           /* pixels: row of the drill's axis (sub-pixel) */
    double bodyDiameter;      /* mm: the fluted body */
    double shankDiameter;     /* mm (3.175 typical) */
    double bodyLength;        /* mm: from the tip's point to the end of the flutes */
    double neckLength;        /* mm: cone from body to shank diameter (0: a step) */
    double totalLength;       /* mm: from the tip's point to the shank's end face */
    double tipAngle;          /* degrees: point angle, above 0 and at most 180 (flat) */
    double ringOuterDiameter; /* mm (0: no ring) */
    double ringWidth;         /* mm along the drill (0: no ring) */
    double ringPlace;         /* mm from the tip's point to the ring's left face */
    double background;        /* grey level of the back light, 0 ... 255 */
    double silhouette;        /* grey level of the drill, 0 ... 255 */
    double blurSigma;         /* pixels: sigma of the optics' Gaussian blur */
    double noiseSigma;        /* grey levels: sigma of the sensor's Gaussian noise */
    int32_t seed;             /* the noise of frame n depends on the seed and n only */
    int32_t reserved;         /* 0 */
} DrillScene;

/* The back light and the glass in front of it, and a white cut drawn into
 * every frame; kept apart from the drill scene, which SetScene leaves as it is. */
typedef struct DrillLighting {
    double backgroundRight; /* back light at the right border, linear across the columns
                               from the scene's background at the left (below 0: even) */
    double vignetting;      /* 0 ... 0.9: part of the back light lost at the corners */
    double dustSmallest;    /* pixels: sides of the dust specks, smallest ... largest */
    double dustLargest;
    int32_t dustSpecks; /* dark specks on the glass, off the drill, 0 ... 200 */
    int32_t dustSeed;   /* where the specks lie follows from this seed */
    int32_t cutColumn;  /* white columns c - 1 and c on every row (below 0: none) */
    int32_t reserved;   /* 0 */
} DrillLighting;

/* The true geometry of the scene's silhouette, in pixels. */
typedef struct DrillTruth {
    double tipColumn;        /* leftmost point of the silhouette */
    double pointEndColumn;   /* where the tip's cone reaches the body diameter */
    double topEdgeRow;       /* upper edge of the body */
    double bottomEdgeRow;    /* lower edge of the body */
    double bodyHeight;       /* bottomEdgeRow - topEdgeRow */
    double bodyEndColumn;    /* end of the flutes, start of the neck */
    double shankStartColumn; /* end of the neck */
    double shankHeight;      /* shank diameter */
    double drillEndColumn;   /* shank's end face (beyond width - 0.5: out of the picture) */
    double ringLeftColumn;   /* ring's left face */
    double ringRightColumn;  /* ring's right face (equal to the left one: no ring) */
    double ringHeight;       /* ring's outer diameter (0: no ring) */
} DrillTruth;

/* What the camera delivers. */
enum GrabcardSource {
    GrabcardSourceScene = 0,   /* the drill scene */
    GrabcardSourceFolder = 1,  /* the picture files of the settings' folder, in name order */
    GrabcardSourceNoSignal = 2 /* the no-signal marker, the rest black */
};

/* The settings (Grabcard.ini) are read once per session: at GrabcardInit or
 * at the first of these calls before it; GrabcardClose ends the session.
 *
 * SetScene: 0 the next frame shows the scene; 1 refused (null or unusable
 *   values), the scene stays.
 * GetScene: 0, the scene filled in; 1 null.
 * GetTruth: 0 the camera shows the scene; 2 it shows another source (the
 *   truth of the scene is filled in all the same); 1 null.
 * FrameCount: frames completed since GrabcardInit (single grabs and live).
 * SetSource: 0 done (the folder is listed again); 1 unknown source. */
typedef int32_t(__stdcall* GrabcardSimSetSceneFn)(const DrillScene* scene);
typedef int32_t(__stdcall* GrabcardSimGetSceneFn)(DrillScene* scene);
typedef int32_t(__stdcall* GrabcardSimGetTruthFn)(DrillTruth* truth);
typedef int32_t(__stdcall* GrabcardSimFrameCountFn)(void);
typedef int32_t(__stdcall* GrabcardSimSetSourceFn)(int32_t source);
/* SetLighting: 0 the next frame shows it; 1 refused (null or unusable
 * values), the lighting stays.  GetLighting: 0, filled in; 1 null. */
typedef int32_t(__stdcall* GrabcardSimSetLightingFn)(const DrillLighting* lighting);
typedef int32_t(__stdcall* GrabcardSimGetLightingFn)(DrillLighting* lighting);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(DrillScene) == 136, "DrillScene: 16 doubles and two int32");
static_assert(offsetof(DrillScene, noiseSigma) == 120, "DrillScene layout");
static_assert(offsetof(DrillScene, seed) == 128, "DrillScene layout");
static_assert(sizeof(DrillTruth) == 96, "DrillTruth: 12 doubles");
static_assert(sizeof(DrillLighting) == 48, "DrillLighting: 4 doubles and four int32");
static_assert(offsetof(DrillLighting, dustSpecks) == 32, "DrillLighting layout");
static_assert(offsetof(DrillTruth, ringHeight) == 88, "DrillTruth layout");
#endif
