// Texts the launcher shows, as bytes of the Chinese (GBK) code page 936; they are converted from that page when shown,
// so they read right whatever the player's system code page is.
// Each is spelled out in a comment because the bytes are escaped to keep the sources independent of the compiler's
// execution character set.
#pragma once

namespace texts {

// "请选择游戏大区."
inline constexpr char kChooseZone[] = "\xC7\xEB\xD1\xA1\xD4\xF1\xD3\xCE\xCF\xB7\xB4\xF3\xC7\xF8.";
// "AgentIP.ini 文件出错，请在主页中下载."
inline constexpr char kCatalogueError[] =
    "AgentIP.ini \xCE\xC4\xBC\xFE\xB3\xF6\xB4\xED\xA3\xAC\xC7\xEB\xD4\xDA\xD6\xF7\xD2\xB3\xD6\xD0\xCF\xC2\xD4\xD8.";
inline constexpr char kPatchFailed[] = "PatchClient Patch failed.......";
// "无法启动 TarvoPatchClient.exe：", followed by the system's reason in the player's language
inline constexpr char kCannotStartPatchClient[] = "\xCE\xDE\xB7\xA8\xC6\xF4\xB6\xAF TarvoPatchClient.exe\xA3\xBA";
// "开始游戏"
inline constexpr char kStartTip[] = "\xBF\xAA\xCA\xBC\xD3\xCE\xCF\xB7";
// "取消"
inline constexpr char kCancelTip[] = "\xC8\xA1\xCF\xFB";
// Names for screen readers of the list and the field, whose labels are drawn in the background picture:
// "选择游戏大区" and "所选大区"
inline constexpr char kZoneListName[] = "\xD1\xA1\xD4\xF1\xD3\xCE\xCF\xB7\xB4\xF3\xC7\xF8";
inline constexpr char kSelectedZoneName[] = "\xCB\xF9\xD1\xA1\xB4\xF3\xC7\xF8";

} // namespace texts
