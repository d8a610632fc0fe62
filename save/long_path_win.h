// A path with a suffix (a stream name, a temporary file's ending) in a form
// that Windows opens even past MAX_PATH.
#pragma once

#include <string>

// path followed by suffix; when that does not fit MAX_PATH, the \\?\ form of
// path's full path followed by suffix, which takes a full path as it stands
// and knows no such limit. "" when no full path can be made.
std::wstring PathWithSuffix(const std::wstring& path, const wchar_t* suffix);
