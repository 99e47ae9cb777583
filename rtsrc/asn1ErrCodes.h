// Status codes of the ASN.1 run-time and the generated code. Success is 0
// (encoders return the non-negative encoded length); every failure is one of
// these negative codes.
#ifndef ASN1ERRCODES_H
#define ASN1ERRCODES_H

#define ASN1ERR_OK                       0
#define ASN1ERR_BUFFER_OVERFLOW         -1
#define ASN1ERR_END_OF_BUFFER           -2
#define ASN1ERR_TAG_NOT_FOUND           -3
#define ASN1ERR_INVALID_OBJID           -4
#define ASN1ERR_INVALID_LENGTH          -5
#define ASN1ERR_INVALID_ENUM            -6
#define ASN1ERR_SET_DUPLICATE           -7
#define ASN1ERR_MISSING_ELEMENT         -8
#define ASN1ERR_NOT_IN_SET              -9
#define ASN1ERR_SEQ_OVERFLOW           -10
#define ASN1ERR_INVALID_CHOICE         -11
#define ASN1ERR_NO_MEMORY              -12
#define ASN1ERR_INVALID_HEX            -14
#define ASN1ERR_INVALID_BINARY         -15
#define ASN1ERR_STRING_OVERFLOW        -17
#define ASN1ERR_BAD_VALUE              -18
#define ASN1ERR_BAD_TAG                -21
#define ASN1ERR_CONSTRAINT             -23
#define ASN1ERR_RANGE                  -24
#define ASN1ERR_INVALID_UTF8           -26
#define ASN1ERR_CONCURRENT_MODIFICATION -27
#define ASN1ERR_ILLEGAL_STATE          -28
#define ASN1ERR_OUT_OF_BOUNDS          -29
#define ASN1ERR_INVALID_PARAM          -30
#define ASN1ERR_INVALID_FORMAT         -31
#define ASN1ERR_NOT_INITIALIZED        -32
#define ASN1ERR_TOO_BIG                -33
#define ASN1ERR_INVALID_CHAR           -34
#define ASN1ERR_XML_STATE              -35
#define ASN1ERR_OBJECT_NOT_FOUND       -38
#define ASN1ERR_NOT_SUPPORTED          -99

#endif
