// Resource ids of PurgewellScan.exe.
#pragma once

// The program icon is the named resource IDI_ICON: its name is that text, so it is deliberately not a number here.
#define IDR_MANIFEST 1      // CREATEPROCESS_MANIFEST_RESOURCE_ID
#define IDV_VERSION_INFO 1  // VS_VERSION_INFO
