// The values a hostile host passes: extreme numbers, odd strings and arrays
// of every malformed shape, next to the well-formed values that let a run
// get somewhere. Each generator reads its choices from the input.
#pragma once

#include <pelmora/automation.h>


#include <climits>
#include <string>
#include <vector>

namespace pelmora::fuzz {

class FuzzInput;

// Numbers no operation should take on trust.
int hostileInt(FuzzInput& input);
double hostileDouble(FuzzInput& input);
float hostileFloat(FuzzInput& input);
VARIANT_BOOL hostileBool(FuzzInput& input);

// Strings as UTF-16 code units; embedded zeros are part of the text.
enum class StringUse {
    DeviceName,  // an adapter name for initialize
    FileName,    // a snapshot file, relative to the working folder
    MemberName,  // a name for GetIDsOfNames
};
std::u16string plainString(FuzzInput& input, StringUse use);
// Null, empty, very long, with embedded zeros, non-ASCII (lone surrogates
// too), printf directives. A file name never climbs out of the working
// folder: no "..", and a slash only below a folder that does not exist.
std::u16string hostileString(FuzzInput& input, StringUse use, bool* isNull);
// A BSTR of the text (the caller frees it), or null.
BSTR makeBstr(const std::u16string& text, bool isNull);

// The arrays of one call. The vertex count of the last vertex array made is
// remembered, so normals and faces can fit it.
enum class ArrayUse { Vertices, Normals, Faces, Lines, Transform, Handles, Any };
struct ArrayPlan {
    int vertexCount = 0;
    std::vector<int> handles;  // what a handle array may name
};
SAFEARRAY* wellFormedArray(FuzzInput& input, ArrayUse use, ArrayPlan& plan);
// A malformed array: null, wrong element type, two or three dimensions, an
// empty second dimension, bounds at the ends of the 32-bit range, wrong
// lengths, and contents that lie (indices out of range, NaN, counts that
// run past the end of the list).
SAFEARRAY* hostileArray(FuzzInput& input, ArrayUse use, ArrayPlan& plan);

}  // namespace pelmora::fuzz
