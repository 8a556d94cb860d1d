// DD files shared by the engine and command-line tests, each with the sections the tests rely on.
#pragma once

namespace lathwell {

// Records of 10 bytes, for the CSV record builder and the conversion run. Sections:
// 0 [FileInfo]; 1 Count, numeric, Length 3 at 1 (population: at 8); 2 Sex, coded with letters,
// Length 4 at 4; 3 [Format=Sex]; 4 Wide, Length 4 at 8 (beyond the record); 5 to 10 fields that
// cannot be placed.
inline constexpr char kTenByteDD[] =
    "[FileInfo]\nRecordLength=10\n"
    "[Field1]\nFieldName=Count\nLength=3\nByteOffset=1\nPopByteOffset=8\n"
    "[Field2]\nFieldName=Sex\nLength=4\nByteOffset=4\n"
    "[Format=Sex]\nM=Male\nF=Female\n"
    "[Field4]\nFieldName=Wide\nLength=4\nByteOffset=8\n"
    "[Field5]\nFieldName=Negative\nLength=-1\nByteOffset=1\n"
    "[Field6]\nFieldName=NoOffset\nLength=2\n"
    "[Field7]\nFieldName=Far\nLength=2\nByteOffset=40000\n"
    "[Field8]\nFieldName=LongOne\nLength=70000\nByteOffset=1\n"
    "[Field9]\nFieldName=BadPop\nLength=2\nByteOffset=3\nPopByteOffset=-2\n"
    "[Field10]\nFieldName=Overlap\nLength=3\nByteOffset=2\n";

// Records of 12 bytes (population: 9), for the command-line csv and fields runs. Sections:
// 0 [FileInfo]; 1 Name, text (its codes are letters), Length 5 at 1 (population: at 1);
// 2 Age Group, Length 2 at 6; 3 [Format=Name]; 4 Deaths, a count field, Length 4 at 8;
// 5 Population, a population count field, Length 4 at 6 (population: at 6).
inline constexpr char kTwelveByteDD[] =
    "[FileInfo]\nRecordLength=12\nPopRecordLength=9\n\n"
    "[Field1]\nFieldName=Name\nLength=5\nByteOffset=1\nPopByteOffset=1\n\n"
    "[Field2]\nFieldName=Age Group\nLength=2\nByteOffset=6\n\n"
    "[Format=Name]\nA=x\n\n"
    "[CountField1]\nFieldName=Deaths\nLength=4\nByteOffset=8\n\n"
    "[PopCountField1]\nFieldName=Population\nLength=4\nByteOffset=6\nPopByteOffset=6\n";

}  // namespace lathwell
