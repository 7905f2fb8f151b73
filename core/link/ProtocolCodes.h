#pragma once
// Every code of the Norix link. Commands go from the application to the Norix,
// responses come back; "sub" codes are the first payload byte of a command.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace norix {

// Settings, fonts, images and the generic responses.
inline constexpr std::uint8_t cmdSettings = 0xE4;
inline constexpr std::uint8_t respSettings = 0xE5;
inline constexpr std::uint8_t settingsGetAll = 0x00;
inline constexpr std::uint8_t settingsSetValue = 0x01;
inline constexpr std::uint8_t cmdSendFontMeta = 0xDE;
inline constexpr std::uint8_t respFontMeta = 0xE2;
inline constexpr std::uint8_t respFontEmpty = 0xE1;
inline constexpr std::uint8_t cmdFontMetaBegin = 0xC0;
inline constexpr std::uint8_t cmdFontMetaChunk = 0xC1;
inline constexpr std::uint8_t cmdFontMetaSave = 0xC2;
inline constexpr std::uint8_t cmdFontDataBegin = 0xC3;
inline constexpr std::uint8_t cmdFontDataChunk = 0xC4;
inline constexpr std::uint8_t cmdFontDataSave = 0xC5;
inline constexpr std::uint8_t cmdDeleteFont = 0xE6;
inline constexpr std::uint8_t cmdSendImageCount = 0xD0;
inline constexpr std::uint8_t respImageCount = 0xB7;
inline constexpr std::uint8_t cmdSendImageNames = 0xD4;
inline constexpr std::uint8_t respImageName = 0xBB;
inline constexpr std::uint8_t cmdSendImageMeta = 0xE7;
inline constexpr std::uint8_t respImageMeta = 0xE9;
inline constexpr std::uint8_t cmdSendImageData = 0xE8;
inline constexpr std::uint8_t respImageData = 0xEA;
inline constexpr std::uint8_t cmdImageMetaBegin = 0xA0;
inline constexpr std::uint8_t cmdImageMetaChunk = 0xA1;
inline constexpr std::uint8_t cmdImageMetaSave = 0xA2;
inline constexpr std::uint8_t cmdImageDataBegin = 0xA3;
inline constexpr std::uint8_t cmdImageDataChunk = 0xA4;
inline constexpr std::uint8_t cmdImageDataSave = 0xA5;
inline constexpr std::uint8_t respAck = 0xB0;
inline constexpr std::uint8_t respRetry = 0xB1;
inline constexpr std::uint8_t respDone = 0xB2;
inline constexpr std::uint8_t respFail = 0xB3;
inline constexpr std::uint8_t respBadSize = 0xB4;

// The settings record: fourteen bytes, answered whole to settingsGetAll.
inline constexpr std::size_t norixSettingsSize = 14;
inline constexpr std::size_t settingsVersionOffset = 1;
inline constexpr std::size_t settingsNumFontsOffset = 6;

// The identifiers of settingsSetValue, one setting each, and the byte of the
// record each one writes (the version and font count are the device's own).
inline constexpr std::uint8_t settingCelsius = 0;
inline constexpr std::uint8_t settingContrast = 1;
inline constexpr std::uint8_t settingLogo = 2;
inline constexpr std::uint8_t settingLogoSpeed = 3;
inline constexpr std::uint8_t settingDefaultChip = 4;
inline constexpr std::uint8_t settingLedsOn = 5;
inline constexpr std::uint8_t settingAuxOn = 6;
inline constexpr std::uint8_t settingFontNumber = 7;
inline constexpr std::uint8_t settingMinTempC = 8;
inline constexpr std::uint8_t settingMaxTempC = 9;
inline constexpr std::uint8_t settingMinTempF = 10;
inline constexpr std::uint8_t settingMaxTempF = 11;
inline constexpr std::array<std::size_t, 12> settingOffsets = {0, 2, 3,  4,  5,  7,
                                                               8, 9, 10, 11, 12, 13};
inline constexpr std::size_t settingsFontNumberOffset = settingOffsets[settingFontNumber];

// Slots: fonts 0 to 5, images 1 to 255. An image's data is at most 4096 bytes.
inline constexpr std::int64_t norixFontSlotCount = 6;
inline constexpr int norixImageSlotCount = 255;
inline constexpr std::size_t maximumCompressedImageBytes = 4096;

// Fonts and images go up as a metadata block, then the data, both in chunks.
inline constexpr std::size_t chunkedUploadMetadataSize = 128;
inline constexpr std::size_t chunkedUploadChunkSize = 48;
// The shortest answers to cmdSendFontMeta and cmdSendImageMeta that hold every field.
inline constexpr std::size_t fontMetaAnswerSize = 40;
inline constexpr std::size_t imageMetaAnswerSize = 38;

// Chips.
inline constexpr std::uint8_t cmdUploadModeQuery = 0xAF;
inline constexpr std::uint8_t cmdChipMetadata = 0xCA;
inline constexpr std::uint8_t cmdChipStringsBegin = 0xAC;
inline constexpr std::uint8_t cmdChipStringsChunk = 0xAD;
inline constexpr std::uint8_t cmdChipStringsEnd = 0xD9;
inline constexpr std::uint8_t cmdChipCodeLength = 0xCD;
inline constexpr std::uint8_t cmdChipCodeChunk = 0xCB;
inline constexpr std::uint8_t cmdSaveChip = 0xC6;
inline constexpr std::uint8_t cmdFinishBatch = 0xCF;
inline constexpr std::uint8_t cmdChipCount = 0xC8;
inline constexpr std::uint8_t cmdChipName = 0xC7;
inline constexpr std::uint8_t cmdLoadChipMetadata = 0xD6;
inline constexpr std::uint8_t cmdLoadChipCode = 0xD7;
inline constexpr std::uint8_t cmdLoadChipString = 0xD8;
inline constexpr std::uint8_t cmdDeleteChip = 0xDA;
inline constexpr std::uint8_t cmdDeleteAllChips = 0xD3;
inline constexpr std::uint8_t cmdSerialNumber = 0xDC;
inline constexpr std::uint8_t respUploadModeOn = 0x05;
inline constexpr std::uint8_t respUploadModeOff = 0x06;
inline constexpr std::uint8_t respChipCount = 0xB9;
inline constexpr std::uint8_t respChipName = 0xBA;
inline constexpr std::uint8_t respChipMetadata = 0xBC;
inline constexpr std::uint8_t respChipCode = 0xBD;
inline constexpr std::uint8_t respChipString = 0xBE;
inline constexpr std::uint8_t respSerialNumber = 0xE0;
// A chip goes up as 41 metadata bytes, eight string slots of 64 bytes and its
// code, each in chunks of at most 63 bytes; the Norix keeps 128 metadata bytes.
inline constexpr std::size_t chipUploadMetadataSize = 41;
inline constexpr std::size_t chipStoredMetadataSize = 128;
inline constexpr std::size_t chipStringSlotSize = 64;
inline constexpr std::size_t chipStringsSize = 8 * chipStringSlotSize;
inline constexpr std::size_t chipUploadChunkSize = 63;
// The first two bytes of a chip's metadata, little-endian.
inline constexpr std::uint16_t chipMetadataMarker = 0xA55A;
// Both bytes of the payload that asks for the next part of a chip being loaded.
inline constexpr std::uint8_t chipContinueMarker = 0xAA;

// The only time-out of the protocol: font upload, font delete, image upload and download.
inline constexpr std::chrono::milliseconds commandResponseTimeout{3000};

} // namespace norix
