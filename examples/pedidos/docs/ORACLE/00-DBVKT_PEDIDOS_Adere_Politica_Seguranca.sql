-- Verifica a aderência do banco à política de segurança.
SET SERVEROUTPUT ON SIZE 1000000
DECLARE
  nQtde NUMBER;
BEGIN
  SELECT COUNT(*) INTO nQtde FROM DBA_USERS
   WHERE USERNAME = 'DBVKT_PEDIDOS' AND PROFILE <> 'DEFAULT';
  IF nQtde = 0 THEN
    dbms_output.put_line('Atenção: usuário DBVKT_PEDIDOS sem perfil de segurança.');
  END IF;
END;
/
