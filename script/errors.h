// Script errors: the numbers and texts that scripts and hosts see.
//
// A runtime fault inside the engine is thrown as RuntimeError and caught by
// the interpreter (On Error Resume Next) or by the facade, which turns it into
// ScriptError. Compile errors are thrown as CompileError by the lexer and the
// parser and stop AddCode before anything runs.
#pragma once

#include <string>

namespace qfscript {

inline constexpr const char* kCompileSource = "Microsoft VBScript compilation error";
inline constexpr const char* kRuntimeSource = "Microsoft VBScript runtime error";

// Error numbers used by the engine itself.
enum ErrNo : int {
  kErrInvalidCall = 5,
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscript = 9,
  kErrFixedArray = 10,
  kErrDivByZero = 11,
  kErrForNotInit = 92,
  kErrTypeMismatch = 13,
  kErrOutOfStack = 28,
  kErrNotDefined = 35,
  kErrObjectNotSet = 91,
  kErrInvalidNull = 94,
  kErrObjectRequired = 424,
  kErrCantCreate = 429,
  kErrNoSuchMember = 438,
  kErrWrongArgs = 450,
  kErrNotCollection = 451,
  kErrUndefinedVar = 500,
  kErrIllegalAssign = 501,
  kErrUnqualifiedRef = 505,
  kErrClassNotDefined = 506,
  kErrTimeout = 1000,  // the host's time limit, not trappable by scripts

  kErrSyntax = 1002,
  kErrExpectedLParen = 1005,
  kErrExpectedRParen = 1006,
  kErrExpectedIdent = 1010,
  kErrExpectedEquals = 1011,
  kErrExpectedIf = 1012,
  kErrExpectedTo = 1013,
  kErrExpectedEnd = 1014,
  kErrExpectedFunction = 1015,
  kErrExpectedSub = 1016,
  kErrExpectedThen = 1017,
  kErrExpectedWend = 1018,
  kErrExpectedLoop = 1019,
  kErrExpectedNext = 1020,
  kErrExpectedCase = 1021,
  kErrExpectedSelect = 1022,
  kErrExpectedExpression = 1023,
  kErrExpectedStatement = 1024,
  kErrExpectedEndOfStatement = 1025,
  kErrExpectedInteger = 1026,
  kErrExpectedWhileUntil = 1027,
  kErrExpectedWith = 1029,
  kErrInvalidNumber = 1031,
  kErrInvalidChar = 1032,
  kErrUnterminatedString = 1033,
  kErrInvalidExit = 1039,
  kErrInvalidForVar = 1040,
  kErrNameRedefined = 1041,
  kErrParensOnSubCall = 1044,
  kErrExpectedLiteral = 1045,
  kErrExpectedIn = 1046,
  kErrExpectedProperty = 1050,
  kErrUnexpectedNext = 1055,
};

// The text VBScript gives for an error number ("Unknown runtime error" when
// the number is not one of its own).
const char* ErrorText(int number);

struct Program;

struct RuntimeError {
  int number;
  std::string description;
  std::string source;
  int line = 0;  // of the statement where it happened, once known
  int col = 0;
  const Program* program = nullptr;  // the code that line belongs to
  bool keepsHelp = false;  // raised by Err.Raise, which sets the help fields itself
};

struct CompileError {
  int number;
  int line;    // 1-based
  int column;  // 1-based
};

[[noreturn]] void ThrowError(int number);

}  // namespace qfscript
