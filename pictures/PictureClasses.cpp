#include "pictures/PictureClasses.h"

#include "framework/Picture.h"
#include "pictures/PNGGraphic.h"
#include "pictures/pngimage.h"

void RegisterPictureClasses() {
  RegisterChunkClasses();
  RegisterFileFormat<TPNGObject>("PNG", "Portable Network Graphics", "TPNGObject");
  RegisterFileFormat<TPNGGraphic>("png", "Portable Network Graphics alpha bitmap", "TPNGGraphic");
}

void UnregisterPictureClasses() {
  UnregisterFileFormat("TPNGGraphic");
  UnregisterFileFormat("TPNGObject");
  UnregisterChunkClasses();
}
