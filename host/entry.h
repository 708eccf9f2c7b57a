#pragma once
#include "host/AudioEffect.h"

// Made by the product: one effect instance for the host callback, or null.
AudioEffect* createEffectInstance(vst::audioMasterCallback audioMaster);

// The entry the library exports as VSTPluginMain and main.
vst::AEffect* emberlineEntry(vst::audioMasterCallback audioMaster);
