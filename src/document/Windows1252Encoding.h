#pragma once
// The document layer's own converter between Windows-1252 and the UTF-8 that
// libxml2 works in, the same on every platform: a document that declares the
// system's code page is read and written by it, never by iconv (which the
// Windows build does not have). Private to the document layer.

namespace vindeleo::xmlload {

// Registers the converter with libxml2 under "windows-1252" and its other
// names. Called once, while libxml2 is made ready.
void RegisterWindows1252Encoding();

}  // namespace vindeleo::xmlload
