// The Windows Imaging Component's decoders as the program's other picture
// formats: every still-picture decoder the system has installed, except its
// own BMP and JPEG ones (the program keeps its own decoders for those).
#pragma once

// Enumerates the installed decoders and offers their formats to the picture
// code (see picture/OtherFormats.h). Call once at start-up, before any
// picture is decoded; a system whose decoders cannot be listed keeps BMP and
// JPEG only.
void InstallSystemPictureFormats();
