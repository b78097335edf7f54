#pragma once
// The rank stage of a catalogue: each face of a whole catalogue learns where the sorted list has
// it, so that the next fill of the same files (the first Filter after a start that read them)
// needs no sort.
#include "catalogue/list_faces.h"
#include "core/list_box.h"

void rankFaces(const ListBox& list, FaceList& faces);
