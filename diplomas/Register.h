#pragma once

class Database;
class Transaction;
class Workbook;

namespace diplomas {

// "Реестр дипломов" (sheet Лист21): every diploma printed, by subject, grade and number, with its
// participant, degree, school, date and status ("выдан" / "аннулирован"), a mark where the name was
// printed in the nominative, and lines for the organisers' signatures under the list.
void registerSheet(Database& db, Transaction& tr, Workbook& wb);

}  // namespace diplomas
