// The calibration file ProofDat.ini: both sensors' records in section "QZTK-DATA", keys
// "Sensor_1" and "Sensor_2", each value a run of "(x,y);" records.
#pragma once

#include "calibration/proofpoint.h"
#include "platform/profile.h"

#include <QString>

#include <array>

namespace velmora {

// The records of sensor index 0 (left) and 1 (right).
using ProofPointLists = std::array<ProofPointList, 2>;

struct ProofDataFile {
    QString path;
    bool inConfigFolder = false;  // the folder is ours to create on the first save
};

// Where the calibration file of a program invoked as `argv0` lies: beside argument 0 as it
// was given (a link to the program keeps its own file) when this user may write in that
// folder; otherwise, and when argument 0 names no folder (the program was found through
// PATH), in `configHome`/velmora. An empty or relative `configHome` means ~/.config.
ProofDataFile proofDataFile(const QString& argv0, const QString& configHome);
// The same for this process: its argument 0 and $XDG_CONFIG_HOME.
ProofDataFile proofDataFile();

}  // namespace velmora

// Replaces both lists by the records in the file. Missing file, section or key read as no
// records; a sensor 2 without records (a value of six characters or less) gets a copy of
// sensor 1's.
void LoadProofData(velmora::ProofPointLists& points, const velmora::ProofDataFile& file);

// Writes both lists, Sensor_1 first, in one replacement of the file. On failure the file is
// as it was and the result says why.
velmora::ProfileWriteResult SaveProofData(const velmora::ProofPointLists& points,
                                          const velmora::ProofDataFile& file);
