// A form with one check of every kind, for the tests of the declared checks: AGE a
// hard range, SEX legal values and a skip over PREG to ADMIT when "M", PREG required
// when "F", and DISCH not before ADMIT over the form. Banners label AGE and SEX.
#pragma once

inline const char* kChecksForm = R"({"Fields":[
 {"Name":"ID","Format":"#","Length":5,"X":150,"Y":10,"Width":60,"Height":20},
 {"Name":"AGE","Format":"N","Length":3,"X":150,"Y":40,"Width":60,"Height":20,"Min":0,"Max":120,"Hard":true},
 {"Name":"SEX","Format":"AU","Length":1,"X":150,"Y":70,"Width":60,"Height":20,
  "Legal":[{"Code":"M","Label":"male"},{"Code":"F","Label":"female"}],"Skip":{"If":"Sex = \"M\"","To":"ADMIT"}},
 {"Name":"PREG","Format":"N","Length":2,"X":150,"Y":100,"Width":60,"Height":20,"RequiredIf":"SEX = \"F\""},
 {"Name":"ADMIT","Format":"D","Length":10,"X":150,"Y":130,"Width":90,"Height":20},
 {"Name":"DISCH","Format":"D","Length":10,"X":150,"Y":160,"Width":90,"Height":20}],
 "Banners":[{"X":10,"Y":42,"Caption":"Age in years:"},{"X":10,"Y":72,"Caption":"Sex"}],
 "Checks":[{"Rule":"Disch >= Admit","Message":"Discharge before admission"}]})";
